// The strip that collapses and expands the site panel.
#include "app/ui/TMainFrm.h"

#include "app/ui/PanelStrip.h"

#include <QApplication>
#include <QTreeWidget>

void TMainFrm::PanelSwitchClick()
{
    guarded([this] {
        // Screen readers hear what a click on the strip will do.
        if (TreeView1->isVisible()) {
            TreeView1->hide();
            PanelLeft->setFixedWidth(8);
            PanelSwitch->setText(QStringLiteral(">"));
            PanelSwitch->setAccessibleName(QStringLiteral("展开站点列表"));
        } else {
            TreeView1->show();
            PanelLeft->setFixedWidth(185);
            PanelSwitch->setText(QStringLiteral("<"));
            PanelSwitch->setAccessibleName(QStringLiteral("收起站点列表"));
        }
    });
}

void TMainFrm::PanelSwitchMouseMove()
{
    QPalette p = PanelSwitch->palette();
    p.setColor(QPalette::Window, QApplication::palette().color(QPalette::Active, QPalette::Highlight));
    PanelSwitch->setPalette(p);
}

void TMainFrm::PanelSwitchMouseLeave()
{
    QPalette p = PanelSwitch->palette();
    p.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    PanelSwitch->setPalette(p);
}
