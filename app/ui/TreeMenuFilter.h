#pragma once
#include <QObject>
#include <QMenu>
#include <QPointer>

class QAbstractItemView;

// Opens a tree's context menu on a right click without moving the selection:
// right presses never reach the view, and the menu appears only once one has
// been assigned (the site tree gets its menu at the first selection change).
class TreeMenuFilter : public QObject {
    Q_OBJECT
public:
    explicit TreeMenuFilter(QAbstractItemView *view);
    void setMenu(QMenu *menu) { m_menu = menu; }
    QMenu *menu() const { return m_menu; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Compared, never called: the viewport's destructor sends its last events
    // through this filter while the view is being destroyed.
    const QObject *m_view;
    const QObject *m_viewport;
    QPointer<QMenu> m_menu;
};
