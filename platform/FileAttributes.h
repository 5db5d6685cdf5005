#pragma once
#include <QString>
#include <optional>

// File attributes as the folder scan tests them, with the classic bit values. This is the one
// place where they are mapped to the platform. On Linux:
//   hidden        the name begins with a dot
//   read-only     the owner may not write it
//   system        never
//   directory     a folder (also through a symbolic link)
//   archive       every regular file
//   reparse point a symbolic link
namespace FileAttr {
constexpr unsigned ReadOnly = 1;
constexpr unsigned Hidden = 2;
constexpr unsigned System = 4;
constexpr unsigned Directory = 16;
constexpr unsigned Archive = 32;
constexpr unsigned ReparsePoint = 1024;
}  // namespace FileAttr

// The attributes of `path`, or nullopt when they cannot be read (missing path, a dangling
// link, a name the file system cannot take). A trailing separator is allowed on folders.
std::optional<unsigned> FileAttributes(const QString& path);

// True when `path` is the root folder of a drive, a share or the file system.
bool IsRootFolder(const QString& path);
