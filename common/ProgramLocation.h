#pragma once
#include <QString>

// Where the program keeps its files (ProgramDir).
//
// Portable mode: the executable's own folder, when it already holds config.ini
// or database.db and may be written; a program folder copied from an older
// installation keeps working there. Installed mode otherwise: the per-user
// data folder $XDG_DATA_HOME/wexly/ (~/.local/share/wexly/ by default), made
// and filled at first use from the defaults installed in <prefix>/share/wexly/,
// which is found from the executable's place in <prefix>/bin/.
namespace ProgramLocation {

// The program directory (with a trailing "/") for the executable at executablePath:
// its own folder in portable mode, else the per-user data folder, made and filled
// from the installed defaults at first use. Throws AppError when that fails.
QString programDirFor(const QString &executablePath);

// The parts of that decision, with what they read from the system given.

// Does this folder serve as the program directory of the executable in it?
bool isPortableDir(const QString &dir);
// "<data home>/wexly/": the data home is xdgDataHome when it is an absolute
// path (a relative or empty one is ignored), else home + "/.local/share".
QString userDataDirFor(const QString &xdgDataHome, const QString &home);
// The installed defaults beside <prefix>/bin/: "<prefix>/share/wexly/".
QString installedDefaultsDirFor(const QString &executablePath);
// Makes dir when missing and adds what it lacks of config.ini and help.xml
// (copied from defaultsDir) and database.db (made from defaultsDir's
// schema.sql). A file already in dir is never touched. Throws AppError.
void fillUserDataDir(const QString &dir, const QString &defaultsDir);

// The help.xml the help window reads: the program directory's, else the
// installed one when the program directory has none.
QString helpFileFor(const QString &programDir, const QString &executablePath);

} // namespace ProgramLocation
