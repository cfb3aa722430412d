// The system calls under CFile, reached through one replaceable table so that
// a test can make them fail as real files fail (EINTR, short transfers, a full
// disk, an I/O error). Internal to the platform layer.
//
// The wrappers below are what CFile calls: they retry EINTR, and write_all
// loops over short writes. They report failure as the system calls do: -1 (or
// false) with errno set.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace os_file {

struct system_calls {
  int (*open)(const char* path, int flags, mode_t mode);
  int (*close)(int fd);
  ssize_t (*read)(int fd, void* buf, size_t count);
  ssize_t (*write)(int fd, const void* buf, size_t count);
  off_t (*lseek)(int fd, off_t offset, int whence);
  int (*fsync)(int fd);
  int (*ftruncate)(int fd, off_t length);
  int (*fstat)(int fd, struct stat* st);
};

// The table in use; a test replaces entries and puts the table back after.
system_calls& calls();
// The real system calls, for a replacement that passes a call on.
const system_calls& real_calls();

int open_file(const char* path, int flags, mode_t mode);
// Closes once: Linux releases the descriptor even when close fails.
int close_file(int fd);
ssize_t read_some(int fd, void* buf, size_t count);
bool write_all(int fd, const void* buf, size_t count);
off_t seek(int fd, off_t offset, int whence);
int sync(int fd);
int truncate(int fd, off_t length);
// The file's size, or -1.
off_t size(int fd);
// O_RDONLY, O_WRONLY or O_RDWR for an open descriptor, or -1.
int access_mode(int fd);
// Takes an exclusive flock on the descriptor's file, waiting for it unless
// `wait` is false. 0, or -1 with errno set.
int lock_exclusive(int fd, bool wait = true);
// Whether the open descriptor is the file that `path` names now: a writer
// that waited for a lock may hold a file a rename has since replaced.
bool is_named(int fd, const std::string& path);

// A new file beside `path` holding the bytes, synchronised, with the
// permission bits of `mode`: its name, or "" with errno set.
std::string write_temporary(const std::string& path, std::string_view bytes, mode_t mode);
// Puts the bytes in place of the file at `path` through a temporary file
// "<path>.save.XXXXXX" renamed over it, so that a reader or a crash sees the
// old file or the new one. 0, or -1 with errno set.
int replace_file(const std::string& path, std::string_view bytes, mode_t mode);
// Removes the temporary files that replace_file calls killed before their
// rename left beside `path`. Only for a caller that holds the lock every
// writer of `path` takes, so that none of them is a live writer's.
void remove_abandoned_saves(const std::string& path);
// Synchronises the folder that holds `path`, after a rename or link in it.
void sync_folder(const std::string& path);

}  // namespace os_file
