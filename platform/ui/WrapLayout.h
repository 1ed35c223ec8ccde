#pragma once
#include <QLayout>
#include <QList>

// Lays its items out in a row at their preferred widths and starts a new row
// when the next one does not fit, so a strip of controls stays whole on a
// narrow window. The first item keeps to the left and all the others to the
// right; the space between is what a row does not need.
class WrapLayout : public QLayout {
public:
    explicit WrapLayout(QWidget *parent = nullptr);
    ~WrapLayout() override;

    void addItem(QLayoutItem *item) override;
    int count() const override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;

    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect &rect) override;

private:
    // Places the items in rect (or only measures them) and returns the height used.
    int arrange(const QRect &rect, bool place) const;

    QList<QLayoutItem *> m_items;
};
