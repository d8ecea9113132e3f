#pragma once
// The core's messages as modal message boxes over the window the user works in (the main window
// when none of the program's windows is active).
#include <QPointer>
#include <QWidget>

#include "gui/common/MessageSink.h"

namespace gui {

class BoxMessageSink : public gui::MessageSink {
public:
    void SetParent(QWidget* parent) { m_parent = parent; }
    void Error(const std::string& text, const std::string& title) override;
    void Information(const std::string& text, const std::string& title) override;
    bool Question(const std::string& text, const std::string& title) override;

private:
    QPointer<QWidget> m_parent;
};

// A message text for display: UTF-8 where it is valid (file names), Latin-1 otherwise, with the
// stored "\r\n" line ends made plain line breaks.
QString MessageText(const std::string& text);

} // namespace gui
