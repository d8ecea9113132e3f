#include "gui/playback/ClipOptionsDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/settings/Settings.h"
#include "gui/common/WindowPlacement.h"

namespace gui {
namespace {

QSpinBox* SecondsBox(int value, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setRange(0, ClipOptionsDialog::kMostSeconds);
    box->setSuffix(QStringLiteral(" s"));
    box->setValue(value);
    return box;
}

} // namespace

ClipOptionsDialog::ClipOptionsDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ClipOptionsDialog"));
    setWindowTitle(QStringLiteral("Clip Options"));
    setWindowFlags(Qt::Dialog | Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    m_playFrom = SecondsBox(core::Settings.play_from_seconds, this);
    m_before = SecondsBox(core::Settings.clip_before, this);
    m_after = SecondsBox(core::Settings.clip_after, this);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("\"Play from here\" starts &before the moment:"), m_playFrom);
    form->addRow(QStringLiteral("A moment's clip starts b&efore it:"), m_before);
    form->addRow(QStringLiteral("and ends &after it:"), m_after);
    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, &ClipOptionsDialog::Confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    adjustSize();
    CentreOnCursorScreen(*this);
}

void ClipOptionsDialog::Confirm()
{
    core::Settings.play_from_seconds = m_playFrom->value();
    core::Settings.clip_before = m_before->value();
    core::Settings.clip_after = m_after->value();
    accept();
}

void ClipOptionsDialog::Run(QWidget* parent)
{
    ClipOptionsDialog dialog(parent);
    dialog.exec();
}

} // namespace gui
