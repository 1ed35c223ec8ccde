#pragma once
#include <QWidget>

class QLabel;
class QPushButton;
class LinkLabel;
class TMainFrm;

// "关于": the logo, the running version, the product's web site as a link and
// the support contact. Created hidden with the main window; closing it only
// hides it.
class TfrmAbout : public QWidget {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget *mainWindow);

public slots:
    void FormShow();
    void LURLClick();
    void BCloseClick();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    TMainFrm *mainFrame() const;

    QLabel *ILogo = nullptr;
    QLabel *lblVersion = nullptr;
    LinkLabel *LURL = nullptr;
    QPushButton *BClose = nullptr;
};
