#include "platform/vorbis/vorbisfile.h"

#include <new>

// The library's header defines its codes as macros: take ours first, then
// check them against the library's.
namespace {
constexpr int kOurCodes[] = {vorbisfile::OV_FALSE,    vorbisfile::OV_EOF,        vorbisfile::OV_HOLE,
                             vorbisfile::OV_EREAD,    vorbisfile::OV_EFAULT,     vorbisfile::OV_EIMPL,
                             vorbisfile::OV_EINVAL,   vorbisfile::OV_ENOTVORBIS, vorbisfile::OV_EBADHEADER,
                             vorbisfile::OV_EVERSION, vorbisfile::OV_ENOTAUDIO,  vorbisfile::OV_EBADPACKET,
                             vorbisfile::OV_EBADLINK, vorbisfile::OV_ENOSEEK};
}  // namespace

#include <vorbis/vorbisfile.h>

static_assert(kOurCodes[0] == OV_FALSE && kOurCodes[1] == OV_EOF && kOurCodes[2] == OV_HOLE &&
              kOurCodes[3] == OV_EREAD && kOurCodes[4] == OV_EFAULT && kOurCodes[5] == OV_EIMPL &&
              kOurCodes[6] == OV_EINVAL && kOurCodes[7] == OV_ENOTVORBIS && kOurCodes[8] == OV_EBADHEADER &&
              kOurCodes[9] == OV_EVERSION && kOurCodes[10] == OV_ENOTAUDIO && kOurCodes[11] == OV_EBADPACKET &&
              kOurCodes[12] == OV_EBADLINK && kOurCodes[13] == OV_ENOSEEK);

namespace vorbisfile {
namespace {
::OggVorbis_File* Stream(OggVorbis_File* vorbis) {
    return vorbis ? static_cast<::OggVorbis_File*>(vorbis->stream) : nullptr;
}
}  // namespace

int ov_open(std::FILE* file, OggVorbis_File* vorbis, const char* initial, long initialBytes) {
    if (!file || !vorbis) return OV_EFAULT;
    *vorbis = OggVorbis_File{};
    auto* stream = new (std::nothrow)::OggVorbis_File;
    if (!stream) return OV_EFAULT;
    const int result = ::ov_open(file, stream, initial, initialBytes);
    if (result < 0) {
        // The library has released what it allocated; the file stays open.
        delete stream;
        return result;
    }
    vorbis->stream = stream;
    return result;
}

vorbis_info* ov_info(OggVorbis_File* vorbis, int link) {
    ::OggVorbis_File* stream = Stream(vorbis);
    if (!stream) return nullptr;
    const ::vorbis_info* info = ::ov_info(stream, link);
    if (!info) return nullptr;
    vorbis->info = vorbis_info{info->version,       info->channels,        info->rate,
                               info->bitrate_upper, info->bitrate_nominal, info->bitrate_lower};
    return &vorbis->info;
}

double ov_time_total(OggVorbis_File* vorbis, int link) {
    ::OggVorbis_File* stream = Stream(vorbis);
    return stream ? ::ov_time_total(stream, link) : OV_EINVAL;
}

long ov_read(OggVorbis_File* vorbis, char* buffer, int length, int bigEndian, int wordBytes, int isSigned, int* link) {
    ::OggVorbis_File* stream = Stream(vorbis);
    return stream ? ::ov_read(stream, buffer, length, bigEndian, wordBytes, isSigned, link) : OV_EINVAL;
}

int ov_clear(OggVorbis_File* vorbis) {
    ::OggVorbis_File* stream = Stream(vorbis);
    if (!stream) return 0;
    ::ov_clear(stream);
    delete stream;
    *vorbis = OggVorbis_File{};
    return 0;
}

const char* ErrorText(int code) {
    switch (code) {
    case 0: return "no error";
    case OV_FALSE: return "no data available";
    case OV_EOF: return "end of the stream";
    case OV_HOLE: return "a gap or damaged page in the stream";
    case OV_EREAD: return "read error";
    case OV_EFAULT: return "internal fault in the decoder";
    case OV_EIMPL: return "a feature the decoder does not implement";
    case OV_EINVAL: return "invalid argument";
    case OV_ENOTVORBIS: return "not Ogg Vorbis data";
    case OV_EBADHEADER: return "damaged Vorbis header";
    case OV_EVERSION: return "unsupported Vorbis version";
    case OV_ENOTAUDIO: return "not an audio packet";
    case OV_EBADPACKET: return "damaged packet";
    case OV_EBADLINK: return "damaged link between streams";
    case OV_ENOSEEK: return "the stream cannot seek";
    default: return "unknown error";
    }
}
}  // namespace vorbisfile
