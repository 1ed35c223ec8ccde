#pragma once
#include "common/AppContext.h"

#include <QString>

class QWidget;

// Where to save a file: the context's chooser when it has one (tests script
// it), otherwise the system's save dialog. The empty text when cancelled.
QString chooseSaveFile(const AppContext &context, QWidget *parent, const QString &caption,
                       const QString &suggested, const QString &filter);
