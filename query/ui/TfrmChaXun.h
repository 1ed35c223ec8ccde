#pragma once
#include <QWidget>

// "收录查询": the site query window. Its lookups come with the site query subsystem.
class TfrmChaXun : public QWidget {
    Q_OBJECT
public:
    explicit TfrmChaXun(QWidget *mainWindow);
};
