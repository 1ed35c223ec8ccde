#include "query/ui/TfrmChaXun.h"

#include "common/AppSettings.h"
#include "common/HandlerGuard.h"
#include "platform/ui/WindowPlacement.h"
#include "platform/ui/WindowRole.h"
#include "query/SiteList.h"
#include "query/SiteQuery.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QShowEvent>
#include <QVBoxLayout>

TfrmChaXun::TfrmChaXun(Dialogs &dialogs, HandlerGuard &guard, const AppSettings &settings,
                       QWidget *mainWindow, std::function<QString()> programDir)
    : QWidget(mainWindow, fixedDialogFlags()),
      m_dialogs(dialogs), m_guard(guard), m_settings(settings), m_mainWindow(mainWindow),
      m_programDir(std::move(programDir))
{
    setObjectName(QStringLiteral("frmChaXun"));
    setWindowTitle(QStringLiteral("收录查询"));
    setAccessibleWindowRole(this, QAccessible::Dialog);
    setFixedSize(488, 371);

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *scheme = new QLabel(QStringLiteral("http://"), this);
    cbxChaXunUrl = new QComboBox(this);
    cbxChaXunUrl->setObjectName(QStringLiteral("cbxChaXunUrl"));
    cbxChaXunUrl->setEditable(true);
    // The list holds site.txt only: a queried domain is never added to it.
    cbxChaXunUrl->setInsertPolicy(QComboBox::NoInsert);
    m_builtInDomain = m_settings.hosts.product;
    cbxChaXunUrl->setEditText(m_builtInDomain);
    scheme->setBuddy(cbxChaXunUrl);
    Button1 = new QPushButton(QStringLiteral("查询"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Button2 = new QPushButton(QStringLiteral("关闭"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    top->addWidget(scheme);
    top->addWidget(cbxChaXunUrl, 1);
    top->addWidget(Button1);
    top->addWidget(Button2);
    layout->addLayout(top);

    auto *engines = new QGroupBox(QStringLiteral("搜索引擎收录"), this);
    engines->setObjectName(QStringLiteral("GroupBox1"));
    auto *engineGrid = new QGridLayout(engines);
    addResultBox(engines, engineGrid, "EditBaidu", QStringLiteral("百度："), 0, 0);
    addResultBox(engines, engineGrid, "EditBaidu2", QStringLiteral("反链："), 0, 1);
    addResultBox(engines, engineGrid, "Edit360", QStringLiteral("360："), 1, 0);
    addResultBox(engines, engineGrid, "Edit3602", QStringLiteral("反链："), 1, 1);
    addResultBox(engines, engineGrid, "EditSougou", QStringLiteral("搜狗："), 2, 0);
    addResultBox(engines, engineGrid, "EditSougou2", QStringLiteral("反链："), 2, 1);
    layout->addWidget(engines);

    auto *weights = new QGroupBox(QStringLiteral("权重"), this);
    weights->setObjectName(QStringLiteral("GroupBox2"));
    auto *weightGrid = new QGridLayout(weights);
    addResultBox(weights, weightGrid, "EditBR", QStringLiteral("爱站百度权重:"), 0, 0);
    addResultBox(weights, weightGrid, "EditFromBaiduIP", QStringLiteral("预计百度来路:"), 1, 0);
    addResultBox(weights, weightGrid, "EditAiZhanWord", QStringLiteral("词条:"), 2, 0);
    addResultBox(weights, weightGrid, "EditChinazBR", QStringLiteral("ChinaZ百度权重:"), 0, 1);
    addResultBox(weights, weightGrid, "EditChinazFromBaiduIP", QStringLiteral("预计百度来路:"), 1, 1);
    addResultBox(weights, weightGrid, "EditChinaZWord", QStringLiteral("词条:"), 2, 1);
    layout->addWidget(weights);
    layout->addStretch();

    // For screen readers: the label's text, made unique where labels repeat.
    cbxChaXunUrl->setAccessibleName(QStringLiteral("查询域名"));
    const std::pair<const char *, const char *> names[] = {
        {"EditBaidu", "百度收录"},         {"EditBaidu2", "百度反链"},
        {"Edit360", "360收录"},            {"Edit3602", "360反链"},
        {"EditSougou", "搜狗收录"},        {"EditSougou2", "搜狗反链"},
        {"EditBR", "爱站百度权重"},        {"EditFromBaiduIP", "爱站预计百度来路"},
        {"EditAiZhanWord", "爱站词条"},    {"EditChinazBR", "ChinaZ百度权重"},
        {"EditChinazFromBaiduIP", "ChinaZ预计百度来路"}, {"EditChinaZWord", "ChinaZ词条"}};
    for (const auto &[object, name] : names)
        m_resultBoxes.value(QLatin1String(object))->setAccessibleName(QString::fromUtf8(name));

    connect(Button1, &QPushButton::clicked, this, &TfrmChaXun::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TfrmChaXun::Button2Click);
}

QLineEdit *TfrmChaXun::addResultBox(QGroupBox *group, QGridLayout *grid, const char *name,
                                    const QString &label, int row, int column)
{
    auto *box = new QLineEdit(group);
    box->setObjectName(QLatin1String(name));
    auto *caption = new QLabel(label, group);
    caption->setBuddy(box);
    grid->addWidget(caption, row, column * 2);
    grid->addWidget(box, row, column * 2 + 1);
    m_resultBoxes.insert(box->objectName(), box);
    return box;
}

void TfrmChaXun::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Un-minimising is no new showing.
    if (!event->spontaneous())
        FormShow();
}

QString TfrmChaXun::siteListPath() const
{
    return m_programDir() + QStringLiteral("site.txt");
}

QStringList TfrmChaXun::siteEntries() const
{
    QStringList entries;
    for (int i = 0; i < cbxChaXunUrl->count(); ++i)
        entries << cbxChaXunUrl->itemText(i);
    return entries;
}

void TfrmChaXun::FormShow()
{
    placeBesideMainWindow(this, m_mainWindow);
    // The first showing comes after the settings are read: the domain box
    // starts with the product site as configured.
    if (!m_shownBefore && cbxChaXunUrl->currentText() == m_builtInDomain)
        cbxChaXunUrl->setEditText(m_settings.hosts.product);
    m_shownBefore = true;
    m_guard.run([this] {
        const std::optional<QStringList> entries = SiteList::read(siteListPath());
        if (!entries)
            return;
        // Filling the list would put its first entry into the edit field.
        const QString typed = cbxChaXunUrl->currentText();
        cbxChaXunUrl->clear();
        cbxChaXunUrl->addItems(*entries);
        cbxChaXunUrl->setEditText(typed);
    });
}

void TfrmChaXun::Button1Click()
{
    // The button is disabled while a query runs; this also holds off a click
    // that was queued before it was.
    if (m_querying)
        return;
    m_guard.run([this] {
        m_querying = true;
        Button1->setEnabled(false);
        const auto done = qScopeGuard([this] {
            m_querying = false;
            Button1->setEnabled(true);
        });
        SiteQuery query(m_dialogs, [this](const QString &box, const QString &value) {
            if (QLineEdit *edit = m_resultBoxes.value(box))
                edit->setText(value);
        });
        query.run(siteLookups(m_settings.hosts, cbxChaXunUrl->currentText()));
        SiteList::write(siteListPath(), siteEntries());
    });
}

void TfrmChaXun::Button2Click()
{
    hide();
}
