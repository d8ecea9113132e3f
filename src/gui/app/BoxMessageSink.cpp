#include "gui/app/BoxMessageSink.h"

#include <QMessageBox>
#include <QStringDecoder>

#include "gui/common/WindowPlacement.h"

namespace gui {

QString MessageText(const std::string& text)
{
    // Messages name files and folders, whose names are file-system bytes (UTF-8 here); a text that
    // is no UTF-8 comes from inside a demo, where the game's texts are Latin-1.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString shown = utf8.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (utf8.hasError())
        shown = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    return shown;
}

void BoxMessageSink::Error(const std::string& text, const std::string& title)
{
    QMessageBox::critical(WindowForBoxes(m_parent), MessageText(title), MessageText(text));
}

void BoxMessageSink::Information(const std::string& text, const std::string& title)
{
    QMessageBox::information(WindowForBoxes(m_parent), MessageText(title), MessageText(text));
}

bool BoxMessageSink::Question(const std::string& text, const std::string& title)
{
    return QMessageBox::question(WindowForBoxes(m_parent), MessageText(title), MessageText(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

} // namespace gui
