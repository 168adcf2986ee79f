// Windows multimedia file I/O (read side) over stdio: buffered reading of
// RIFF files with chunk descent and ascent. Chunk sizes are reported as the
// file states them; seeks and reads never go past the file's end.
#pragma once
#include <cstdio>
#include <string>

#include "platform/win32/wintypes.h"

using FOURCC = DWORD;
using MMRESULT = UINT;
using HPSTR = char*;

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
    return static_cast<FOURCC>(static_cast<BYTE>(a)) | (static_cast<FOURCC>(static_cast<BYTE>(b)) << 8) |
           (static_cast<FOURCC>(static_cast<BYTE>(c)) << 16) | (static_cast<FOURCC>(static_cast<BYTE>(d)) << 24);
}
constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');

constexpr DWORD MMIO_READ = 0x00000000;
constexpr DWORD MMIO_ALLOCBUF = 0x00010000;
constexpr UINT MMIO_FINDCHUNK = 0x0010;
constexpr UINT MMIO_FINDRIFF = 0x0020;
constexpr UINT MMIO_FINDLIST = 0x0040;
constexpr DWORD MMIO_DEFAULTBUFFER = 8192;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;
constexpr MMRESULT MMIOERR_CANNOTREAD = 259;
constexpr MMRESULT MMIOERR_CANNOTSEEK = 261;

// Audio format record; packed to its published 18 bytes, any extra format
// bytes (cbSize of them) follow it directly.
#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);
using LPWAVEFORMATEX = WAVEFORMATEX*;
constexpr WORD WAVE_FORMAT_PCM = 1;

struct MMIO;  // the open file
using HMMIO = MMIO*;

// Buffer state handed out by mmioGetInfo for direct access: the bytes from
// pchNext to pchEndRead are the file's bytes from lBufOffset + (pchNext -
// pchBuffer) on.
struct MMIOINFO {
    DWORD dwFlags;
    HPSTR pchBuffer;
    LONG cchBuffer;
    HPSTR pchNext;
    HPSTR pchEndRead;
    HPSTR pchEndWrite;
    LONG lBufOffset;
    LONG lDiskOffset;
};
using LPMMIOINFO = MMIOINFO*;

struct MMCKINFO {
    FOURCC ckid;
    DWORD cksize;
    FOURCC fccType;
    DWORD dwDataOffset;
    DWORD dwFlags;
};
using LPMMCKINFO = MMCKINFO*;

// Read mode only; a null info uses defaults. The buffer is always allocated.
HMMIO mmioOpenA(LPSTR path, LPMMIOINFO info, DWORD flags);
MMRESULT mmioClose(HMMIO file, UINT flags);
// Bytes read (0 at the end), or -1.
LONG mmioRead(HMMIO file, HPSTR buffer, LONG count);
// The new position, or -1 (also for a position past the end of the file).
LONG mmioSeek(HMMIO file, LONG offset, int origin);
// Reads the chunk header at the current position, or with MMIO_FINDCHUNK /
// MMIO_FINDRIFF / MMIO_FINDLIST searches forward (within parent, when given)
// for the chunk named in chunk->ckid (or RIFF/LIST form chunk->fccType).
// Leaves the position at the chunk's data (after the form type for RIFF/LIST).
MMRESULT mmioDescend(HMMIO file, LPMMCKINFO chunk, const MMCKINFO* parent, UINT flags);
// Moves to the end of the chunk (with its pad byte).
MMRESULT mmioAscend(HMMIO file, LPMMCKINFO chunk, UINT flags);
MMRESULT mmioGetInfo(HMMIO file, LPMMIOINFO info, UINT flags);
MMRESULT mmioSetInfo(HMMIO file, const MMIOINFO* info, UINT flags);
// Refills the buffer from the position that info->pchNext stands for; at the
// end of the file the buffer comes back empty (pchNext == pchEndRead).
MMRESULT mmioAdvance(HMMIO file, LPMMIOINFO info, UINT flags);

namespace mmio {
// The largest file the readers open: offsets are 32-bit signed.
constexpr unsigned long kLargestFile = 0x7FFFFFFF;
// Opens an asset or data file for reading ("rb"); the one place where the
// layer's readers turn a program path into an open file. Only regular files
// up to kLargestFile are opened; otherwise null, with *reason (if given)
// saying why.
std::FILE* OpenForReading(const char* path, std::string* reason = nullptr);
// Why the most recent mmioOpenA returned null (Windows reports it in the
// info record's wErrorRet, which the program does not pass).
const char* LastOpenError();
}  // namespace mmio
