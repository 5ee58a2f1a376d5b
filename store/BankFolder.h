#pragma once

#include <QString>

class m_sql;

// A bank's picture folder (its `mulu` setting) is a folder inside the program directory. A bank made
// on another machine, or edited with another tool, may name any place instead: an absolute path, one
// that climbs out with "..", or a folder that is a symbolic link to elsewhere. Pictures are never
// written to or read from such a folder.
namespace bankfolder {

// True when `folder`, taken against the program directory, stays inside it: not absolute (on this
// system or on the one the bank may come from), no ".." part, and no part of it that exists on disk
// leading out through a symbolic link. The empty text stays inside (the store reads it as its
// fallback folder).
bool staysInside(const QString& folder);

// What the user is told about a `folder` that does not stay inside.
QString refusal(const QString& folder);

// The bank's folder as `GetMulu` reads it, for a picture writer or the display; raises
// platform::Error with `refusal` instead of handing out a folder that does not stay inside.
QString checked(m_sql& store);

} // namespace bankfolder
