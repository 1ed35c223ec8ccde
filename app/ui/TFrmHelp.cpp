#include "app/ui/TFrmHelp.h"

#include "common/HelpTopics.h"
#include "platform/ui/WindowPlacement.h"
#include "platform/ui/WindowRole.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"

#include <QPlainTextEdit>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
class MemoSink : public HelpTextSink {
public:
    explicit MemoSink(QPlainTextEdit *memo) : m_memo(memo) {}
    void clear() override { m_memo->clear(); }
    void appendLine(const QString &line) override { m_memo->appendPlainText(line); }

private:
    QPlainTextEdit *m_memo;
};
} // namespace

TFrmHelp::TFrmHelp(Dialogs &dialogs, QWidget *mainWindow, std::function<QString()> helpFile,
                   std::function<int()> topic)
    : QWidget(mainWindow, Qt::Window), m_dialogs(dialogs), m_mainWindow(mainWindow),
      m_helpFile(std::move(helpFile)), m_topic(std::move(topic))
{
    setObjectName(QStringLiteral("FrmHelp"));
    setWindowTitle(QStringLiteral("动态帮助"));
    setAccessibleWindowRole(this, QAccessible::Window);
    resize(411, 224);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("帮助内容"));
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
}

void TFrmHelp::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Un-minimising is no new opening.
    if (!event->spontaneous())
        FormShow();
}

void TFrmHelp::FormShow()
{
    placeBesideMainWindow(this, m_mainWindow);
    MemoSink sink(Memo1);
    try {
        showHelpTopic(m_helpFile(), m_topic(), sink);
    } catch (const AppError &) {
        m_dialogs.showMessage(QStringLiteral("无法获取！"));
    }
}
