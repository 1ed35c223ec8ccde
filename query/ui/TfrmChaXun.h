#pragma once
#include <QHash>
#include <QWidget>
#include <functional>

class Dialogs;
class HandlerGuard;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QPushButton;
struct AppSettings;

// "收录查询": looks up, for one domain, the indexed-page and backlink counts of
// three search engines and the weight figures of two statistics sites. The
// domain list of its box comes from site.txt in the program directory.
class TfrmChaXun : public QWidget {
    Q_OBJECT
public:
    TfrmChaXun(Dialogs &dialogs, HandlerGuard &guard, const AppSettings &settings,
               QWidget *mainWindow, std::function<QString()> programDir);

public slots:
    void FormShow();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLineEdit *addResultBox(QGroupBox *group, QGridLayout *grid, const char *name,
                            const QString &label, int row, int column);
    QStringList siteEntries() const;
    QString siteListPath() const;

    Dialogs &m_dialogs;
    HandlerGuard &m_guard;
    const AppSettings &m_settings;
    QWidget *m_mainWindow;
    std::function<QString()> m_programDir;
    bool m_querying = false;

    QComboBox *cbxChaXunUrl;
    QPushButton *Button1;
    QPushButton *Button2;
    // The twelve result boxes by object name.
    QHash<QString, QLineEdit *> m_resultBoxes;
    QString m_builtInDomain;
    bool m_shownBefore = false;
};
