#pragma once
// Data paths are written with backslashes and matched without regard to case, as on Windows,
// so an asset pack copied over from a Windows machine (GRP or grp, Bgm001.MID) works unchanged.
#include <string>
#include <string_view>

namespace kq {

// base must end with '/'. Each component of rel (separated by '\' or '/') is matched against the
// real directory without regard to case; unmatched components are kept as written.
std::string ResolvePath(const std::string& base, std::string_view rel);
bool FileExists(const std::string& path);
// Folder of the running executable with a trailing '/'.
std::string ExecutableFolder();
std::string ExecutableBaseName();
// $TMPDIR or /tmp, with a trailing '/'.
std::string TempFolder();

}  // namespace kq
