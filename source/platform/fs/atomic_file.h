// Files the player keeps are replaced in one step: the new bytes go to a
// temporary file created exclusively beside the target, are flushed to disk
// and then renamed over it, so an interrupted write leaves the previous file
// whole. Temporary names are "<target>.tmp-<pid>-<serial>": unique to the
// writing process, and recognisable afterwards when that process died before
// it could rename or remove them.
#pragma once
#include <cstddef>
#include <string>

namespace fs {
// Opens a new file for writing with O_CREAT | O_EXCL | O_NOFOLLOW: fails
// (EEXIST) when anything is already there, a symbolic link included, so it
// never writes through a link to another file. The descriptor, or -1 with
// errno set.
int CreateExclusive(const std::string& path);

// The temporary name this process uses for the serial-th attempt at target.
std::string TemporaryNameFor(const std::string& target, unsigned serial);

// Replaces target with the bytes; the directory must exist. False with the
// reason (naming the step and the system's error text) when anything failed;
// target is then as it was and no temporary file is left.
bool WriteFileAtomically(const std::string& target, const void* bytes, std::size_t size, std::string* reason);

// Copies source to target the same way, but never replaces a target that
// exists (false, reason "already exists"). Only small files are copied.
bool CopyFileIfAbsent(const std::string& source, const std::string& target, std::string* reason);

// Removes the temporary files that processes no longer running (or this one,
// which has no write in flight when it asks) left in directory. Only names of
// the pattern above are touched, and only files and links, never what a link
// points to. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& directory);
}  // namespace fs
