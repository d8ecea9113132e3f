#include "gui/playback/PlaybackKeysDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/settings/Settings.h"
#include "gui/common/WindowPlacement.h"

namespace gui {
namespace {

// One dialog at a time: a second command while it is open (from the command bar, say) is ignored.
QPointer<PlaybackKeysDialog>& OpenDialog()
{
    static QPointer<PlaybackKeysDialog> dialog;
    return dialog;
}

} // namespace

PlaybackKeysDialog::PlaybackKeysDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PlaybackKeysDialog"));
    setWindowTitle(QString::fromLatin1(core::kPlaybackKeysTitle));
    setWindowFlags(Qt::Dialog | Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    auto* form = new QFormLayout;
    for (int i = 0; i < core::kPlaybackKeyCount; ++i) {
        const core::PlaybackKeyRow& row = core::PlaybackKeyTable()[static_cast<size_t>(i)];
        auto* input = new QLineEdit(this);
        input->setObjectName(QString::fromLatin1(row.configKey));
        m_inputs[static_cast<size_t>(i)] = input;
        form->addRow(QString::fromLatin1(row.label), input);
    }

    m_default = new QPushButton(QStringLiteral("&Default"), this);
    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_default);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    // The default keys only fill the inputs; nothing is stored before OK.
    connect(m_default, &QPushButton::clicked, this, [this] { ShowKeys(core::DefaultPlaybackKeys()); });
    connect(m_ok, &QPushButton::clicked, this, &PlaybackKeysDialog::Confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    ShowKeys(core::CurrentPlaybackKeys(core::Settings));
    adjustSize();
    CentreOnCursorScreen(*this);
}

core::PlaybackKeys PlaybackKeysDialog::Inputs() const
{
    core::PlaybackKeys keys;
    for (int i = 0; i < core::kPlaybackKeyCount; ++i)
        keys[static_cast<size_t>(i)] = m_inputs[static_cast<size_t>(i)]->text().toLatin1().toStdString();
    return keys;
}

void PlaybackKeysDialog::ShowKeys(const core::PlaybackKeys& keys)
{
    for (int i = 0; i < core::kPlaybackKeyCount; ++i)
        m_inputs[static_cast<size_t>(i)]->setText(QString::fromLatin1(keys[static_cast<size_t>(i)]));
}

void PlaybackKeysDialog::Confirm()
{
    core::ConfirmPlaybackKeys(Inputs(), core::Settings);
    accept();
}

void PlaybackKeysDialog::Run(QWidget* parent)
{
    if (IsOpen())
        return;
    PlaybackKeysDialog dialog(parent);
    OpenDialog() = &dialog;
    dialog.exec();
    OpenDialog() = nullptr;
}

bool PlaybackKeysDialog::IsOpen()
{
    return !OpenDialog().isNull();
}

} // namespace gui
