#include "sound_files.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace soundfiles {
void WriteFile(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot write " + path);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

Bytes ReadFile(const std::string& path) {
    Bytes bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return bytes;
    std::uint8_t chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(file);
    return bytes;
}

namespace {
void Put16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Append(Bytes& out, const void* data, std::size_t count) {
    if (count == 0) return;
    const std::size_t at = out.size();
    out.resize(at + count);
    std::memcpy(out.data() + at, data, count);
}
void PutId(Bytes& out, const char* id) { Append(out, id, 4); }
}  // namespace

bool ReadWaveform(const Bytes& bytes, Waveform* out) {
    auto u16 = [&](std::size_t at) { return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8); };
    auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(&bytes[8], "WAVE", 4) != 0)
        return false;
    constexpr std::uint32_t kPcm = 1, kFloat = 3, kExtensible = 0xFFFE;
    std::uint32_t tag = 0, bits = 0;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::size_t body = at + 8;
        // A writer that was not closed leaves its sizes short: read what is there.
        const std::size_t size = std::min<std::size_t>(u32(at + 4), bytes.size() - body);
        if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && size >= 16) {
            tag = u16(body);
            out->channels = static_cast<int>(u16(body + 2));
            out->rate = static_cast<int>(u32(body + 4));
            bits = u16(body + 14);
            // The sub-format's first two bytes are the plain format tag.
            if (tag == kExtensible && size >= 26) tag = u16(body + 24);
        } else if (std::memcmp(&bytes[at], "data", 4) == 0 && out->channels > 0) {
            out->samples.clear();
            if (tag == kPcm && bits == 16) {
                for (std::size_t i = 0; i + 1 < size; i += 2)
                    out->samples.push_back(static_cast<float>(static_cast<std::int16_t>(u16(body + i))) / 32768.0f);
                return true;
            }
            if (tag == kFloat && bits == 32) {
                out->samples.resize(size / 4);
                std::memcpy(out->samples.data(), &bytes[body], out->samples.size() * 4);
                return true;
            }
            return false;
        }
        at = body + size + (size & 1);
    }
    return false;
}

Bytes MakeWav(const WavLayout& waveform) {
    Bytes format;
    const std::uint16_t block = static_cast<std::uint16_t>(waveform.channels * waveform.bits / 8);
    Put16(format, waveform.tag);
    Put16(format, waveform.channels);
    Put32(format, waveform.rate);
    Put32(format, waveform.rate * block);
    Put16(format, block);
    Put16(format, waveform.bits);
    if (waveform.tag != 1) {
        Put16(format, static_cast<std::uint32_t>(waveform.extra.size()));
        Append(format, waveform.extra.data(), waveform.extra.size());
    }
    Bytes out;
    PutId(out, "RIFF");
    const std::size_t pad = waveform.samples.size() & 1;
    Put32(out,
          static_cast<std::uint32_t>(4 + 8 + format.size() + (format.size() & 1) + 8 + waveform.samples.size() + pad));
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    Put32(out, static_cast<std::uint32_t>(format.size()));
    Append(out, format.data(), format.size());
    if (format.size() & 1) out.push_back(0);
    PutId(out, "data");
    Put32(out, static_cast<std::uint32_t>(waveform.samples.size()));
    Append(out, waveform.samples.data(), waveform.samples.size());
    if (pad) out.push_back(0);
    return out;
}

Bytes ToneSamples(double seconds, std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
    const long frames = std::lround(seconds * rate);
    Bytes out;
    for (long i = 0; i < frames; ++i) {
        const double value = 0.5 * std::sin(2.0 * M_PI * 440.0 * i / rate);
        for (int c = 0; c < channels; ++c) {
            if (bits == 8)
                out.push_back(static_cast<std::uint8_t>(128 + std::lround(value * 127)));
            else
                Put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(value * 32767))));
        }
    }
    return out;
}

long WriteOggTone(const std::string& path, int channels, long rate, double seconds) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot write " + path);
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, 0.3f) != 0) throw std::runtime_error("vorbis init");
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    auto writePages = [&](bool flush) {
        while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
            std::fwrite(page.header, 1, page.header_len, file);
            std::fwrite(page.body, 1, page.body_len, file);
        }
    };
    writePages(true);
    const long frames = std::lround(seconds * rate);
    constexpr long kChunk = 4096;
    ogg_packet packet;
    auto drain = [&] {
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                writePages(false);
            }
        }
    };
    for (long done = 0; done < frames; done += kChunk) {
        const long n = std::min(kChunk, frames - done);
        float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
        for (long i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                buffer[c][i] =
                    0.4f * static_cast<float>(std::sin(2.0 * M_PI * (330.0 + 110.0 * c) * (done + i) / rate));
        vorbis_analysis_wrote(&dsp, static_cast<int>(n));
        drain();
    }
    vorbis_analysis_wrote(&dsp, 0);
    drain();
    writePages(true);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    std::fclose(file);
    return frames;
}
}  // namespace soundfiles
