#include "about/ui/TfrmAbout.h"

#include "about/ui/LinkLabel.h"
#include "app/AppSettings.h"
#include "app/HandlerGuard.h"
#include "app/VersionText.h"
#include "app/ui/TMainFrm.h"
#include "app/ui/WindowPlacement.h"
#include "app/ui/WindowRole.h"
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

TfrmAbout::TfrmAbout(QWidget *mainWindow)
    : QWidget(mainWindow, fixedDialogFlags())
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

TMainFrm *TfrmAbout::mainFrame() const
{
    return qobject_cast<TMainFrm *>(parentWidget());
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
    TMainFrm *main = mainFrame();
    if (!main)
        return;
    main->context().guard->run([&] {
        placeBesideMainWindow(this, main);
        const AppContext &context = main->context();
        lblVersion->setText(GetVersionString(context.executablePath));
        LURL->setText(ServiceHosts::base(context.settings->hosts.product) + u'/');
    });
}

void TfrmAbout::LURLClick()
{
    TMainFrm *main = mainFrame();
    auto *label = qobject_cast<QLabel *>(sender());
    if (!main || !label)
        return;
    // Whatever the label shows is the address opened.
    main->context().guard->run([&] { main->context().openInBrowser(label->text()); });
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
