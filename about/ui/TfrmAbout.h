#pragma once
#include <QWidget>

class QLabel;
class QPushButton;
class LinkLabel;
struct AppContext;

// "关于": the logo, the running version, the product's web site as a link and
// the support contact. Created hidden with the main window; closing it only
// hides it.
class TfrmAbout : public QWidget {
    Q_OBJECT
public:
    // The context is the main window's own, which outlives this child window.
    TfrmAbout(const AppContext &context, QWidget *mainWindow);

public slots:
    void FormShow();
    void LURLClick();
    void BCloseClick();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    const AppContext &m_context;
    QLabel *ILogo = nullptr;
    QLabel *lblVersion = nullptr;
    LinkLabel *LURL = nullptr;
    QPushButton *BClose = nullptr;
};
