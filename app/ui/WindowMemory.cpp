#include "app/ui/WindowMemory.h"

#include "common/ScreenFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QSettings>
#include <QTreeWidget>

namespace {

const QString GeometryKey = QStringLiteral("MainWindow/geometry");
const QString MaximizedKey = QStringLiteral("MainWindow/maximized");
const QString ColumnsKey = QStringLiteral("AddressList/columnWidths");

// The screens' available areas, the primary one first.
QList<QRect> availableAreas()
{
    QList<QRect> areas;
    if (QScreen *primary = QGuiApplication::primaryScreen())
        areas << primary->availableGeometry();
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen != QGuiApplication::primaryScreen())
            areas << screen->availableGeometry();
    }
    return areas;
}

} // namespace

WindowMemory::WindowMemory(QWidget *window, QTreeWidget *list, QString file)
    : QObject(window), m_window(window), m_list(list), m_file(std::move(file))
{
    window->installEventFilter(this);
    restore();
}

void WindowMemory::restore()
{
    const QSize minimum = m_window->minimumSizeHint().expandedTo(m_window->minimumSize());
    if (m_file.isEmpty()) {
        m_window->resize(ScreenFit::place({}, availableAreas(), minimum).size());
        return;
    }
    const QSettings settings(m_file, QSettings::IniFormat);
    const QRect remembered = settings.value(GeometryKey).toRect();
    if (remembered.isValid())
        m_window->setGeometry(ScreenFit::place(remembered, availableAreas(), minimum));
    else
        m_window->resize(ScreenFit::place({}, availableAreas(), minimum).size());
    if (settings.value(MaximizedKey).toBool())
        m_window->setWindowState(m_window->windowState() | Qt::WindowMaximized);

    // Widths of another version's columns are not applied; the filling column
    // keeps filling.
    const QStringList widths = settings.value(ColumnsKey).toStringList();
    if (widths.size() != m_list->columnCount())
        return;
    QHeaderView *header = m_list->header();
    for (int i = 0; i < widths.size(); ++i) {
        const int width = widths.at(i).toInt();
        if (width > 0 && header->sectionResizeMode(i) == QHeaderView::Interactive)
            m_list->setColumnWidth(i, std::max(width, header->minimumSectionSize()));
    }
}

void WindowMemory::save() const
{
    if (m_file.isEmpty())
        return;
    QSettings settings(m_file, QSettings::IniFormat);
    const bool maximized = m_window->isMaximized();
    settings.setValue(GeometryKey, maximized ? m_window->normalGeometry() : m_window->geometry());
    settings.setValue(MaximizedKey, maximized);
    QStringList widths;
    for (int i = 0; i < m_list->columnCount(); ++i)
        widths << QString::number(m_list->columnWidth(i));
    settings.setValue(ColumnsKey, widths);
    settings.sync();
}

bool WindowMemory::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        save();
    return QObject::eventFilter(watched, event);
}
