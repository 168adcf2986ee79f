// The part of libvorbisfile the music loader calls, under libvorbisfile's own
// names, so that only the layer needs the library's headers. The names live
// in the namespace vorbisfile (the library's header declares the same ones
// globally); callers bring them in with using-declarations.
#pragma once
#include <cstdio>

namespace vorbisfile {
// Results of the functions below, with libvorbisfile's values.
constexpr int OV_FALSE = -1;
constexpr int OV_EOF = -2;
constexpr int OV_HOLE = -3;  // a gap or damaged page in the stream; reading can go on
constexpr int OV_EREAD = -128;
constexpr int OV_EFAULT = -129;
constexpr int OV_EIMPL = -130;
constexpr int OV_EINVAL = -131;
constexpr int OV_ENOTVORBIS = -132;
constexpr int OV_EBADHEADER = -133;
constexpr int OV_EVERSION = -134;
constexpr int OV_ENOTAUDIO = -135;
constexpr int OV_EBADPACKET = -136;
constexpr int OV_EBADLINK = -137;
constexpr int OV_ENOSEEK = -138;

// The stream information the program reads.
struct vorbis_info {
    int version;
    int channels;
    long rate;
    long bitrate_upper;
    long bitrate_nominal;
    long bitrate_lower;
};

// An open Vorbis stream. Zero-initialised by its constructor; ov_open fills
// it and ov_clear empties it again.
struct OggVorbis_File {
    void* stream = nullptr;  // the library's own record
    vorbis_info info{};
};

// Opens the stream on file (initial and initialBytes as the library takes
// them). 0 on success, after which ov_clear also closes the file; a negative
// result on failure, and the file is left open.
int ov_open(std::FILE* file, OggVorbis_File* vorbis, const char* initial, long initialBytes);
// The information of logical stream link (-1: the current one), or null.
vorbis_info* ov_info(OggVorbis_File* vorbis, int link);
// Length in seconds of link (-1: the whole file), or OV_EINVAL.
double ov_time_total(OggVorbis_File* vorbis, int link);
// Decodes up to length bytes of interleaved samples: the number of bytes
// written, 0 at the end of the stream, OV_HOLE for a gap that reading can go
// past, another negative result for an error that ends it.
long ov_read(OggVorbis_File* vorbis, char* buffer, int length, int bigEndian, int wordBytes, int isSigned, int* link);
// Releases the stream and closes its file; 0.
int ov_clear(OggVorbis_File* vorbis);

// libvorbisfile's meaning of a result code, as words for a message.
const char* ErrorText(int code);
}  // namespace vorbisfile
