#pragma once
#include <QLabel>

// A label drawn as a link: blue, underlined, with the hand cursor. It reports
// a left click released over it.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};
