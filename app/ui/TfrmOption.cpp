#include "app/ui/TfrmOption.h"

#include "common/AppSettings.h"
#include "common/HandlerGuard.h"
#include "common/IntervalOptions.h"
#include "platform/ui/WindowPlacement.h"
#include "platform/ui/WindowRole.h"
#include "platform/Dialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

TfrmOption::TfrmOption(Dialogs &dialogs, HandlerGuard &guard, AppSettings &settings,
                       QWidget *mainWindow, std::function<QString()> programDir)
    : QWidget(mainWindow, fixedDialogFlags()),
      m_dialogs(dialogs), m_guard(guard), m_settings(settings), m_mainWindow(mainWindow),
      m_programDir(std::move(programDir))
{
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("选项"));
    setAccessibleWindowRole(this, QAccessible::Dialog);
    setFixedSize(457, 271); // room for the two switches under the intervals

    auto *layout = new QGridLayout(this);
    auto *pingLabel = new QLabel(QStringLiteral("百度ping间隔时间："), this);
    editPingSleep = new QLineEdit(this);
    editPingSleep->setObjectName(QStringLiteral("editPingSleep"));
    editPingSleep->setAccessibleName(QStringLiteral("百度ping间隔时间"));
    auto *checkLabel = new QLabel(QStringLiteral("检测百度收录间隔:"), this);
    editBaiduSleep = new QLineEdit(this);
    editBaiduSleep->setObjectName(QStringLiteral("editBaiduSleep"));
    editBaiduSleep->setAccessibleName(QStringLiteral("检测百度收录间隔"));
    cbxCheckBackoff = new QCheckBox(QStringLiteral("遇到百度安全验证时自动等待"), this);
    cbxCheckBackoff->setObjectName(QStringLiteral("cbxCheckBackoff"));
    cbxCheckBackoff->setAccessibleName(QStringLiteral("遇到百度安全验证时自动等待"));
    cbxSkipIndexed = new QCheckBox(QStringLiteral("已收录的地址不再检测"), this);
    cbxSkipIndexed->setObjectName(QStringLiteral("cbxSkipIndexed"));
    cbxSkipIndexed->setAccessibleName(QStringLiteral("已收录的地址不再检测"));
    btnSetBaiduSleep = new QPushButton(QStringLiteral("确定"), this);
    btnSetBaiduSleep->setObjectName(QStringLiteral("btnSetBaiduSleep"));
    btnSetBaiduSleep->setAutoDefault(false);
    Button1 = new QPushButton(QStringLiteral("取消"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);

    layout->addWidget(pingLabel, 0, 0);
    layout->addWidget(editPingSleep, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("毫秒"), this), 0, 2);
    layout->addWidget(checkLabel, 1, 0);
    layout->addWidget(editBaiduSleep, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("毫秒"), this), 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSetBaiduSleep);
    buttons->addWidget(Button1);
    layout->addWidget(cbxCheckBackoff, 2, 0, 1, 3);
    layout->addWidget(cbxSkipIndexed, 3, 0, 1, 3);
    layout->addLayout(buttons, 4, 0, 1, 3);
    setTabOrder(editPingSleep, editBaiduSleep);
    setTabOrder(editBaiduSleep, cbxCheckBackoff);
    setTabOrder(cbxCheckBackoff, cbxSkipIndexed);
    setTabOrder(cbxSkipIndexed, btnSetBaiduSleep);
    setTabOrder(btnSetBaiduSleep, Button1);

    editPingSleep->installEventFilter(this);
    editBaiduSleep->installEventFilter(this);
    connect(btnSetBaiduSleep, &QPushButton::clicked, this, &TfrmOption::btnSetBaiduSleepClick);
    connect(Button1, &QPushButton::clicked, this, &TfrmOption::Button1Click);
}

void TfrmOption::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmOption::FormShow()
{
    placeBesideMainWindow(this, m_mainWindow);
    editPingSleep->setText(QString::number(m_settings.PingSleep));
    editBaiduSleep->setText(QString::number(m_settings.CheckInBaiduSleep));
    cbxCheckBackoff->setChecked(m_settings.checkBackoff);
    cbxSkipIndexed->setChecked(m_settings.skipIndexed);
}

void TfrmOption::btnSetBaiduSleepClick()
{
    m_guard.run([this] {
        IntervalOptions::store(m_settings, editPingSleep->text(), editBaiduSleep->text(),
                               m_programDir() + QStringLiteral("config.ini"));
        IntervalOptions::storeSwitches(m_settings, cbxCheckBackoff->isChecked(), cbxSkipIndexed->isChecked(),
                                       m_programDir() + QStringLiteral("config.ini"));
        hide();
    });
}

void TfrmOption::Button1Click()
{
    hide();
}

bool TfrmOption::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == editPingSleep)
            return editPingSleepKeyPress(editPingSleep, key);
        if (watched == editBaiduSleep)
            return editBaiduSleepKeyPress(editBaiduSleep, key);
    }
    return QWidget::eventFilter(watched, event);
}

bool TfrmOption::editPingSleepKeyPress(QLineEdit *box, QKeyEvent *event)
{
    // Keys that type no character (arrows, Delete, shortcuts) pass untouched,
    // and so does Tab: it moves the focus before any character is typed.
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        return false;
    const QString typed = event->text();
    if (typed.isEmpty())
        return false;
    int dropped = 0;
    for (const QChar c : typed)
        dropped += IntervalOptions::acceptsTypedCharacter(c) ? 0 : 1;
    if (dropped == 0)
        return false;
    for (const QChar c : typed) {
        if (IntervalOptions::acceptsTypedCharacter(c)) {
            if (c.isDigit())
                box->insert(QString(c));
        } else {
            m_dialogs.showMessage(QStringLiteral("只能输入数字"));
        }
    }
    return true;
}
