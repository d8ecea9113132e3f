#include "window/BoxMessageSink.h"

#include <QMessageBox>

namespace gui {

QString MessageText(const std::string& text)
{
    QString shown = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    return shown;
}

void BoxMessageSink::Error(const std::string& text, const std::string& title)
{
    QMessageBox::critical(m_parent, MessageText(title), MessageText(text));
}

void BoxMessageSink::Information(const std::string& text, const std::string& title)
{
    QMessageBox::information(m_parent, MessageText(title), MessageText(text));
}

bool BoxMessageSink::Question(const std::string& text, const std::string& title)
{
    return QMessageBox::question(m_parent, MessageText(title), MessageText(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

} // namespace gui
