#pragma once
#include <QString>

// Where a help topic is written: the help window's text box.
class HelpTextSink {
public:
    virtual ~HelpTextSink() = default;
    virtual void clear() = 0;
    virtual void appendLine(const QString &line) = 0;
};

// Reads help.xml afresh and writes every item whose id is exactly the decimal
// topic number into the sink (title, an empty line, the description), so the
// last matching item is what stays. Throws AppError on any failure, after
// whatever was written before it; an unmatched topic leaves the sink alone.
void showHelpTopic(const QString &helpXmlPath, int topic, HelpTextSink &sink);
