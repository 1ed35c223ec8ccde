#pragma once
#include "FakeDialogs.h"
#include "common/AppContext.h"
#include "common/AppSettings.h"
#include "common/HandlerGuard.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <memory>

class QMainWindow;
class TMainFrm;

// A temporary program directory that is also the working directory (where
// database.db is opened), with fakes for the message boxes, the online test
// and the browser.
class ProgramFixture {
public:
    ProgramFixture();
    ~ProgramFixture();

    QString dir() const { return m_dir.path() + QLatin1Char('/'); }
    QString path(const QString &name) const { return dir() + name; }
    void writeFile(const QString &name, const QByteArray &bytes) const;
    QByteArray readFile(const QString &name) const;
    // database.db with both tables, from the shipped schema.
    void createDatabase() const;
    // Runs a statement on database.db directly (test set-up).
    void exec(const QString &sql) const;

    // The five windows, made as the program entry makes them; not yet shown.
    TMainFrm *createWindows();
    // The same, for the subsystems' window tests: the main window as a plain
    // window (its controls by name; the rest through MainWindowProbe).
    QMainWindow *createMainWindow();

    FakeDialogs dialogs;
    AppSettings settings;
    HandlerGuard guard{dialogs};
    AppContext context;
    bool online = false;
    QStringList openedAddresses;

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
    std::unique_ptr<TMainFrm> m_main;
};
