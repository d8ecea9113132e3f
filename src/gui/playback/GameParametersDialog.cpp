#include "gui/playback/GameParametersDialog.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/playback/GameParameters.h"
#include "core/settings/Settings.h"
#include "gui/common/WindowPlacement.h"

namespace gui {

GameParametersDialog::GameParametersDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("GameParametersDialog"));
    setWindowTitle(QString::fromLatin1(core::kGlobalParametersTitle));
    setWindowFlags(Qt::Dialog | Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    auto* hint = new QLabel(QString::fromLatin1(core::kGlobalParametersHint), this);
    m_input = new QLineEdit(ParametersText(core::Settings.q3a_start_param), this);
    m_input->setMinimumWidth(320);
    hint->setBuddy(m_input);
    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_ok->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_input);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &GameParametersDialog::Confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    adjustSize();
    CentreOnCursorScreen(*this);
}

void GameParametersDialog::Confirm()
{
    // Passed on unchanged: the program neither checks nor splits the user's text.
    core::Settings.q3a_start_param = StoredParameters(m_input->text());
    accept();
}

void GameParametersDialog::Run(QWidget* parent)
{
    GameParametersDialog dialog(parent);
    dialog.exec();
}

QString GameParametersDialog::ParametersText(const std::string& stored)
{
    return QFile::decodeName(QByteArray::fromRawData(stored.data(), static_cast<qsizetype>(stored.size())));
}

std::string GameParametersDialog::StoredParameters(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

} // namespace gui
