#pragma once
// Whether two paths name the same file is for the file system to say, not the
// spelling: every check that two outputs, or an output and an input, must not
// meet goes through this one rule.
#include <QString>

namespace quelvar {

// What a path reaches. An existing file is known by its device and inode, so
// "./x.txt", "sub/../x.txt", a symbolic link and a hard link to it all meet.
// A file still to be made is known by its cleaned absolute path with the
// deepest existing folder resolved, so a linked folder meets its target.
QString fileIdentity(const QString& path);

}  // namespace quelvar
