#include "platform/mmio/mmio.h"
#include "platform/fs/regular_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

struct MMIO {
    std::FILE* file = nullptr;
    long long size = 0;
    std::vector<char> buffer;
    MMIOINFO info{};

    long long Position() const { return info.lBufOffset + (info.pchNext - info.pchBuffer); }
    long long BufferedBytes() const { return info.pchEndRead - info.pchBuffer; }

    // Reads the buffer full from position on; false on a read error.
    bool Fill(long long position) {
        info.lBufOffset = static_cast<LONG>(position);
        info.pchNext = info.pchEndRead = info.pchBuffer;
        if (position >= size) return true;
        if (std::fseek(file, static_cast<long>(position), SEEK_SET) != 0) return false;
        const std::size_t got = std::fread(info.pchBuffer, 1, buffer.size(), file);
        info.pchEndRead = info.pchBuffer + got;
        info.lDiskOffset = static_cast<LONG>(position + static_cast<long long>(got));
        return got > 0 || std::ferror(file) == 0;
    }

    bool SeekTo(long long target) {
        if (target < 0 || target > size) return false;
        if (target >= info.lBufOffset && target <= info.lBufOffset + BufferedBytes()) {
            info.pchNext = info.pchBuffer + (target - info.lBufOffset);
        } else {
            info.lBufOffset = static_cast<LONG>(target);
            info.pchNext = info.pchEndRead = info.pchBuffer;
        }
        return true;
    }

    long long Read(char* out, long long count) {
        long long done = 0;
        while (done < count) {
            long long available = info.pchEndRead - info.pchNext;
            if (available == 0) {
                if (!Fill(Position())) return -1;
                available = info.pchEndRead - info.pchNext;
                if (available == 0) break;
            }
            const long long n = std::min(available, count - done);
            std::memcpy(out + done, info.pchNext, static_cast<std::size_t>(n));
            info.pchNext += n;
            done += n;
        }
        return done;
    }

    bool ReadWord(DWORD* out) {
        unsigned char bytes[4];
        if (Read(reinterpret_cast<char*>(bytes), 4) != 4) return false;
        *out = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<DWORD>(bytes[3]) << 24);
        return true;
    }
};

namespace {
std::string g_lastOpenError;
}  // namespace

namespace mmio {
const char* LastOpenError() { return g_lastOpenError.c_str(); }

std::FILE* OpenForReading(const char* path, std::string* reason) {
    return fs::OpenRegularFile(path, kLargestFile, reason);
}
}  // namespace mmio

HMMIO mmioOpenA(LPSTR path, LPMMIOINFO info, DWORD flags) {
    constexpr DWORD kWriteModes = 0x0003 | 0x1000;  // MMIO_WRITE, MMIO_READWRITE, MMIO_CREATE
    if (!path || (flags & kWriteModes) != 0) {
        g_lastOpenError = path ? "only reading is supported" : "no file name";
        return nullptr;
    }
    std::FILE* file = mmio::OpenForReading(path, &g_lastOpenError);
    if (!file) return nullptr;
    long long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    if (size < 0 || size > static_cast<long long>(mmio::kLargestFile)) {
        g_lastOpenError = "cannot tell the file's size";
        std::fclose(file);
        return nullptr;
    }
    g_lastOpenError.clear();
    auto* handle = new MMIO;
    handle->file = file;
    handle->size = size;
    const LONG requested = info && info->cchBuffer > 0 ? info->cchBuffer : static_cast<LONG>(MMIO_DEFAULTBUFFER);
    handle->buffer.resize(static_cast<std::size_t>(requested));
    handle->info.dwFlags = flags;
    handle->info.cchBuffer = requested;
    handle->info.pchBuffer = handle->buffer.data();
    handle->info.pchNext = handle->info.pchEndRead = handle->info.pchEndWrite = handle->info.pchBuffer;
    return handle;
}

MMRESULT mmioClose(HMMIO file, UINT) {
    if (!file) return MMSYSERR_INVALPARAM;
    std::fclose(file->file);
    delete file;
    return MMSYSERR_NOERROR;
}

LONG mmioRead(HMMIO file, HPSTR buffer, LONG count) {
    if (!file || count < 0 || (!buffer && count > 0)) return -1;
    return static_cast<LONG>(file->Read(buffer, count));
}

LONG mmioSeek(HMMIO file, LONG offset, int origin) {
    if (!file) return -1;
    long long target = offset;
    if (origin == SEEK_CUR)
        target += file->Position();
    else if (origin == SEEK_END)
        target += file->size;
    else if (origin != SEEK_SET)
        return -1;
    return file->SeekTo(target) ? static_cast<LONG>(target) : -1;
}

MMRESULT mmioDescend(HMMIO file, LPMMCKINFO chunk, const MMCKINFO* parent, UINT flags) {
    if (!file || !chunk) return MMSYSERR_INVALPARAM;
    const FOURCC wantedId = chunk->ckid;
    const FOURCC wantedType = chunk->fccType;
    long long end = file->size;
    if (parent) end = std::min(end, static_cast<long long>(parent->dwDataOffset) + parent->cksize);
    for (;;) {
        const long long start = file->Position();
        if (start + 8 > end) return MMIOERR_CHUNKNOTFOUND;
        DWORD id = 0, size = 0, type = 0;
        if (!file->ReadWord(&id) || !file->ReadWord(&size)) return MMIOERR_CHUNKNOTFOUND;
        const bool isForm = id == FOURCC_RIFF || id == FOURCC_LIST;
        if (isForm && !file->ReadWord(&type)) return MMIOERR_CHUNKNOTFOUND;
        bool found = true;
        if (flags & MMIO_FINDCHUNK)
            found = id == wantedId;
        else if (flags & MMIO_FINDRIFF)
            found = id == FOURCC_RIFF && type == wantedType;
        else if (flags & MMIO_FINDLIST)
            found = id == FOURCC_LIST && type == wantedType;
        if (found) {
            chunk->ckid = id;
            chunk->cksize = size;
            chunk->fccType = type;
            chunk->dwDataOffset = static_cast<DWORD>(start + 8);
            chunk->dwFlags = 0;
            return MMSYSERR_NOERROR;
        }
        const long long next = start + 8 + size + (size & 1);
        if (!file->SeekTo(std::min(next, file->size)) || next > file->size) return MMIOERR_CHUNKNOTFOUND;
    }
}

MMRESULT mmioAscend(HMMIO file, LPMMCKINFO chunk, UINT) {
    if (!file || !chunk) return MMSYSERR_INVALPARAM;
    long long end = static_cast<long long>(chunk->dwDataOffset) + chunk->cksize;
    // A missing pad byte at the very end of the file is tolerated.
    if ((chunk->cksize & 1) && end < file->size) ++end;
    return file->SeekTo(end) ? MMSYSERR_NOERROR : MMIOERR_CANNOTSEEK;
}

MMRESULT mmioGetInfo(HMMIO file, LPMMIOINFO info, UINT) {
    if (!file || !info) return MMSYSERR_INVALPARAM;
    *info = file->info;
    return MMSYSERR_NOERROR;
}

MMRESULT mmioSetInfo(HMMIO file, const MMIOINFO* info, UINT) {
    if (!file || !info) return MMSYSERR_INVALPARAM;
    if (info->pchBuffer != file->info.pchBuffer || info->pchNext < file->info.pchBuffer ||
        info->pchNext > file->info.pchEndRead)
        return MMSYSERR_INVALPARAM;
    file->info.pchNext = info->pchNext;
    return MMSYSERR_NOERROR;
}

MMRESULT mmioAdvance(HMMIO file, LPMMIOINFO info, UINT) {
    if (!file) return MMSYSERR_INVALPARAM;
    if (info) {
        const MMRESULT result = mmioSetInfo(file, info, 0);
        if (result != MMSYSERR_NOERROR) return result;
    }
    if (!file->Fill(file->Position())) return MMIOERR_CANNOTREAD;
    if (info) *info = file->info;
    return MMSYSERR_NOERROR;
}
