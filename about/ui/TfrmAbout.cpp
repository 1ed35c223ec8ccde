#include "about/ui/TfrmAbout.h"

#include "about/ui/LinkLabel.h"
#include "common/AppContext.h"
#include "common/AppSettings.h"
#include "common/HandlerGuard.h"
#include "common/VersionText.h"
#include "platform/ui/WindowPlacement.h"
#include "platform/ui/WindowRole.h"
#include "platform/ui/JpegImage.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

// The resources live in a static library: the linker keeps them only when
// something asks for them by name.
static void initResources()
{
    Q_INIT_RESOURCE(wexly);
}

namespace {

const char SupportContact[] = "support@orvik.example";

QLabel *caption(const QString &text, int x, int y, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->move(x, y);
    return label;
}

QPixmap logo()
{
    initResources();
    QFile file(QStringLiteral(":/logo.jpg"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QPixmap::fromImage(decodeJpeg(file.readAll()));
}

} // namespace

TfrmAbout::TfrmAbout(const AppContext &context, QWidget *mainWindow)
    : QWidget(mainWindow, fixedDialogFlags()), m_context(context)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("关于"));
    setAccessibleWindowRole(this, QAccessible::Dialog);
    setFixedSize(317, 211);

    ILogo = new QLabel(this);
    ILogo->setObjectName(QStringLiteral("ILogo"));
    ILogo->setGeometry(0, 0, 317, 49);
    ILogo->setScaledContents(true);
    ILogo->setPixmap(logo());

    const int left = 28, value = 100;
    caption(QStringLiteral("软件版本："), left, 68, this);
    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setGeometry(value, 68, 200, 18);

    caption(QStringLiteral("官方网站："), left, 96, this);
    LURL = new LinkLabel(this);
    LURL->setObjectName(QStringLiteral("LURL"));
    LURL->setGeometry(value, 96, 200, 18);

    caption(QStringLiteral("技术支持："), left, 124, this);
    auto *support = new QLabel(QLatin1String(SupportContact), this);
    support->setObjectName(QStringLiteral("lblSupport"));
    support->setGeometry(value, 124, 200, 18);
    support->setTextInteractionFlags(Qt::TextSelectableByMouse);

    BClose = new QPushButton(QStringLiteral("确 定"), this);
    BClose->setObjectName(QStringLiteral("BClose"));
    BClose->setDefault(true);
    BClose->setGeometry(width() - 8 - 75, height() - 8 - 25, 75, 25);

    connect(LURL, &LinkLabel::clicked, this, &TfrmAbout::LURLClick);
    connect(BClose, &QPushButton::clicked, this, &TfrmAbout::BCloseClick);
}

void TfrmAbout::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Un-minimising is no new showing.
    if (!event->spontaneous())
        FormShow();
}

void TfrmAbout::FormShow()
{
    QWidget *main = parentWidget();
    if (!main)
        return;
    m_context.guard->run([&] {
        placeBesideMainWindow(this, main);
        const AppContext &context = m_context;
        lblVersion->setText(GetVersionString(context.executablePath));
        LURL->setText(ServiceHosts::base(context.settings->hosts.product) + u'/');
    });
}

void TfrmAbout::LURLClick()
{
    auto *label = qobject_cast<QLabel *>(sender());
    if (!label)
        return;
    // Whatever the label shows is the address opened.
    m_context.guard->run([&] { m_context.openInBrowser(label->text()); });
}

void TfrmAbout::BCloseClick()
{
    hide();
}

void TfrmAbout::keyPressEvent(QKeyEvent *event)
{
    // BClose is the default button: Enter presses it wherever the focus is.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        BClose->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
