#pragma once
#include <QWidget>

// "关于": the About window. Its content comes with the version subsystem.
class TfrmAbout : public QWidget {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget *mainWindow);
};
