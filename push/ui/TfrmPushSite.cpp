#include "push/ui/TfrmPushSite.h"

#include "common/HandlerGuard.h"
#include "platform/Dialogs.h"
#include "platform/WebClient.h"
#include "push/PushSettings.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

template <class W> W *named(W *widget, const char *objectName, const QString &accessible)
{
    widget->setObjectName(QLatin1String(objectName));
    widget->setAccessibleName(accessible);
    return widget;
}

QPushButton *button(const char *name, const QString &caption, QWidget *parent)
{
    auto *b = named(new QPushButton(caption, parent), name, caption);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TfrmPushSite::TfrmPushSite(Dialogs &dialogs, HandlerGuard &guard, qint64 rssid, QWidget *parent)
    : QDialog(parent), m_dialogs(dialogs), m_guard(guard), m_rssid(rssid)
{
    setObjectName(QStringLiteral("frmPushSite"));
    setWindowTitle(QStringLiteral("推送设置"));
    setModal(true);

    editBaiduSite = named(new QLineEdit(this), "editBaiduSite", QStringLiteral("百度站点"));
    editBaiduToken = named(new QLineEdit(this), "editBaiduToken", QStringLiteral("百度密钥"));
    // Shown only while edited, so the token does not stand on the screen.
    editBaiduToken->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    cbxBaiduDaily = named(new QCheckBox(QStringLiteral("同时推送快速收录"), this), "cbxBaiduDaily",
                          QStringLiteral("同时推送快速收录"));
    editIndexNowKey = named(new QLineEdit(this), "editIndexNowKey", QStringLiteral("IndexNow密钥"));
    btnMakeKey = button("btnMakeKey", QStringLiteral("生成密钥"), this);
    editKeyLocation = named(new QLineEdit(this), "editKeyLocation", QStringLiteral("密钥文件地址"));
    editKeyLocation->setMinimumWidth(320);
    btnCheckKey = button("btnCheckKey", QStringLiteral("检查密钥文件"), this);
    btnOK = button("btnOK", QStringLiteral("确定"), this);
    btnCancel = button("btnCancel", QStringLiteral("取消"), this);

    auto *layout = new QGridLayout(this);
    const auto row = [&](int at, const QString &text, QWidget *box, QWidget *extra = nullptr) {
        auto *label = new QLabel(text, this);
        label->setBuddy(box);
        layout->addWidget(label, at, 0);
        layout->addWidget(box, at, 1);
        if (extra)
            layout->addWidget(extra, at, 2);
    };
    row(0, QStringLiteral("百度站点："), editBaiduSite);
    row(1, QStringLiteral("百度密钥："), editBaiduToken);
    layout->addWidget(cbxBaiduDaily, 2, 1);
    row(3, QStringLiteral("IndexNow密钥："), editIndexNowKey, btnMakeKey);
    row(4, QStringLiteral("密钥文件地址："), editKeyLocation, btnCheckKey);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons, 5, 0, 1, 3);

    m_guard.run([this] {
        const PushSiteForm form = PushSettings::loadForm(m_rssid);
        m_homeAddress = form.homeAddress;
        m_locationFollowsKey = form.locationFollowsKey;
        editBaiduSite->setText(form.settings.baiduSite);
        editBaiduToken->setText(form.settings.baiduToken);
        cbxBaiduDaily->setChecked(form.settings.baiduDaily);
        editIndexNowKey->setText(form.settings.indexNowKey);
        editKeyLocation->setText(form.settings.indexNowKeyLocation);
    });

    connect(editIndexNowKey, &QLineEdit::textChanged, this, [this] { editIndexNowKeyChange(); });
    // Only the user's own edits stop the address from following the key.
    connect(editKeyLocation, &QLineEdit::textEdited, this, [this] { m_locationFollowsKey = false; });
    connect(btnMakeKey, &QPushButton::clicked, this, &TfrmPushSite::btnMakeKeyClick);
    connect(btnCheckKey, &QPushButton::clicked, this, &TfrmPushSite::btnCheckKeyClick);
    connect(btnOK, &QPushButton::clicked, this, &TfrmPushSite::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmPushSite::btnCancelClick);
}

void TfrmPushSite::editIndexNowKeyChange()
{
    if (m_locationFollowsKey)
        editKeyLocation->setText(PushSettings::defaultKeyLocation(m_homeAddress, editIndexNowKey->text().trimmed()));
}

void TfrmPushSite::btnMakeKeyClick()
{
    m_guard.run([this] { editIndexNowKey->setText(PushSettings::generateKey()); });
}

void TfrmPushSite::btnCheckKeyClick()
{
    m_guard.run([this] {
        WebClient client;
        const QString result = PushSettings::checkKeyFile(client, editKeyLocation->text().trimmed(),
                                                          editIndexNowKey->text().trimmed());
        m_dialogs.showMessage(result);
    });
}

void TfrmPushSite::btnOKClick()
{
    m_guard.run([this] {
        const QString key = editIndexNowKey->text().trimmed();
        // An empty key switches IndexNow off for the site.
        if (!key.isEmpty() && !PushSettings::isValidKey(key)) {
            m_dialogs.showMessage(PushSettings::InvalidKeyMessage);
            return;
        }
        PushSiteSettings s;
        s.baiduSite = editBaiduSite->text();
        s.baiduToken = editBaiduToken->text();
        s.baiduDaily = cbxBaiduDaily->isChecked();
        s.indexNowKey = key;
        s.indexNowKeyLocation = editKeyLocation->text();
        PushSettings::saveForm(m_rssid, s);
        accept();
    });
}

void TfrmPushSite::btnCancelClick()
{
    reject();
}
