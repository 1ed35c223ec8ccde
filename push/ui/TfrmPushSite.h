#pragma once
#include <QDialog>

class Dialogs;
class HandlerGuard;
class QCheckBox;
class QLineEdit;
class QPushButton;

// "推送设置": one site's push settings, opened modal from the site tree's menu.
// "确定" saves them and closes; a key outside the allowed form keeps it open.
class TfrmPushSite : public QDialog {
    Q_OBJECT
public:
    TfrmPushSite(Dialogs &dialogs, HandlerGuard &guard, qint64 rssid, QWidget *parent = nullptr);

public slots:
    void btnOKClick();
    void btnCancelClick();
    void btnMakeKeyClick();
    void btnCheckKeyClick();

private:
    void editIndexNowKeyChange();

    Dialogs &m_dialogs;
    HandlerGuard &m_guard;
    qint64 m_rssid;
    QString m_homeAddress;
    bool m_locationFollowsKey = true;

    QLineEdit *editBaiduSite;
    QLineEdit *editBaiduToken;
    QCheckBox *cbxBaiduDaily;
    QLineEdit *editIndexNowKey;
    QPushButton *btnMakeKey;
    QLineEdit *editKeyLocation;
    QPushButton *btnCheckKey;
    QPushButton *btnOK;
    QPushButton *btnCancel;
};
