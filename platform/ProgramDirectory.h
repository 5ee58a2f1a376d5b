#pragma once

#include <QString>

// Where the program works: the directory that holds the banks and the data directory `tavrindata`.
// Its working directory, its banks and their folders, and what `Platform::programDirectory` reports
// are all this one directory.
//
// A program directory laid out by the build (or a copy of one) holds the executable beside
// `tavrindata/`, and is used as it is. The installed program keeps its executable, its modules and
// the shipped data apart, in the system's folders, which users cannot write; each user gets a program
// directory of their own instead, laid out from the shipped data at the first start.
namespace programdirectory {

// The environment variable that names a user's program directory in place of the default.
inline constexpr char overrideVariable[] = "QELBRIN_HOME";

// The user's program directory: QELBRIN_HOME when set (a relative path taken against the current
// directory), otherwise `qelbrin` in the user's data folder ($XDG_DATA_HOME, by default
// ~/.local/share). Empty when the system names no data folder for the user.
QString userDirectory();

// True when `directory` holds the data directory, as a program directory laid out by the build does.
bool isLaidOut(const QString& directory);

// Lays out `directory` from `shipped`, a tree of the same shape (tavrindata/ and the sample bank with
// its folder), and makes what is missing of its path. The first time (no tavrindata/ yet) the whole
// tree is copied. Each time, a data file missing from tavrindata/ is laid out again, and when the
// shipped data has changed since the directory was last brought up to it (an upgrade), every data
// file that differs is replaced; until then the user's own changes to them stay. Nothing else is ever
// replaced, since it is the user's: a bank (an "*.stk" file, the fallback bank in tavrindata/ too,
// which the program may open and write), a bank's folder, or any file the user made. Each file is
// written whole or not at all. Throws platform::Error with a message naming the path when the
// directory cannot be laid out.
void layOut(const QString& directory, const QString& shipped);

// The program directory for a program whose executable lies in `executableDirectory`: that folder
// when it is laid out (the build's program directory), otherwise the user's own directory, laid out
// from `shipped` on the way. Throws platform::Error as layOut does.
QString choose(const QString& executableDirectory, const QString& shipped);

// For the running program: chooses its program directory, with the shipped data where the build was
// configured to install it, and makes it what the platform reports as the program directory.
QString settle();

} // namespace programdirectory
