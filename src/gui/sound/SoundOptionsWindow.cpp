#include "gui/sound/SoundOptionsWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "gui/common/WindowPlacement.h"
#include "gui/sound/SoundFailure.h"
#include "gui/sound/SoundPump.h"

namespace gui {
namespace {

const char* const kChannelCaptions[core::kSoundChannelCount] = {"Map Music", "Model Sound", "Button Sound"};
const char* const kSliderCaptions[core::kSoundChannelCount] = {"Map Music Volume", "Model Sound Volume",
                                                               "Button Sound Volume"};

} // namespace

SoundOptionsWindow::SoundOptionsWindow(core::SoundSystem& sound, core::SoundOptionsHooks hooks, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_control(sound, std::move(hooks))
{
    setObjectName(QStringLiteral("SoundOptionsWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    m_enable = new QCheckBox(QStringLiteral("Enable Sound"), this);
    layout->addWidget(m_enable);
    // The title bar is too narrow for a reason, so the window tells it here.
    m_report = new QLabel(this);
    m_report->setObjectName(QStringLiteral("SoundReport"));
    m_report->setWordWrap(true);
    m_report->setTextFormat(Qt::PlainText);
    m_report->setFixedWidth(280);
    m_report->hide();
    layout->addWidget(m_report);

    auto* choose = new QGroupBox(QStringLiteral("Choose Sounds"), this);
    auto* chooseLayout = new QVBoxLayout(choose);
    auto* volumes = new QGroupBox(QStringLiteral("Volumes"), this);
    auto* volumeLayout = new QVBoxLayout(volumes);
    for (int channel = 0; channel < core::kSoundChannelCount; ++channel) {
        m_channels[channel] = new QCheckBox(QString::fromLatin1(kChannelCaptions[channel]), choose);
        chooseLayout->addWidget(m_channels[channel]);

        auto* caption = new QLabel(QString::fromLatin1(kSliderCaptions[channel]), volumes);
        auto* slider = new QSlider(Qt::Horizontal, volumes);
        slider->setRange(core::kVolumeSliderMin, core::kVolumeSliderMax);
        slider->setSingleStep(core::kVolumeSliderStep);
        slider->setPageStep(10 * core::kVolumeSliderStep);
        slider->setTickInterval(10 * core::kVolumeSliderStep);
        slider->setTickPosition(QSlider::TicksBelow);
        caption->setBuddy(slider);
        volumeLayout->addWidget(caption);
        volumeLayout->addWidget(slider);
        m_sliders[channel] = slider;
    }
    layout->addWidget(choose);
    layout->addWidget(volumes);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);

    // The controls take their states first; the reactions are attached afterwards, so that
    // opening the window switches nothing.
    m_control.SetChangedListener([this] { ShowState(); });
    m_control.Open();

    connect(m_enable, &QCheckBox::clicked, this, [this](bool on) { m_control.EnableSoundClicked(on); });
    connect(m_channels[Index(core::SoundChannel::Music)], &QCheckBox::clicked, this,
            [this](bool on) { m_control.MapMusicClicked(on); });
    connect(m_channels[Index(core::SoundChannel::ModelSound)], &QCheckBox::clicked, this,
            [this](bool on) { m_control.ModelSoundClicked(on); });
    connect(m_channels[Index(core::SoundChannel::ButtonSound)], &QCheckBox::clicked, this,
            [this](bool on) { m_control.ButtonSoundClicked(on); });
    for (int channel = 0; channel < core::kSoundChannelCount; ++channel)
        connect(m_sliders[channel], &QSlider::valueChanged, this, [this, channel](int value) {
            ShowSoundOutcome(m_control.SliderMoved(static_cast<core::SoundChannel>(channel), value));
        });
    connect(m_close, &QPushButton::clicked, this, &SoundOptionsWindow::close);

    FitContents();
    CentreOnCursorScreen(*this);
}

void SoundOptionsWindow::Toggle(QPointer<SoundOptionsWindow>& slot, core::SoundSystem& sound, QWidget* parent)
{
    if (slot) {
        slot->close();
        return;
    }
    // The map music hooks are looked up when used: a properties window may open or close while
    // this window is shown.
    core::SoundOptionsHooks hooks;
    hooks.propertiesOpen = [] { return MapMusicHooks().propertiesOpen && MapMusicHooks().propertiesOpen(); };
    hooks.startMapMusic = [] {
        if (MapMusicHooks().startMapMusic)
            MapMusicHooks().startMapMusic();
    };
    slot = new SoundOptionsWindow(sound, std::move(hooks), parent);
    ShowActive(*slot);
}

void SoundOptionsWindow::ShowState()
{
    const core::SoundOptionsState& state = m_control.State();
    setWindowTitle(QString::fromLatin1(state.title));
    {
        const QSignalBlocker block(m_enable);
        m_enable->setChecked(state.enableSound);
    }
    for (int channel = 0; channel < core::kSoundChannelCount; ++channel) {
        const QSignalBlocker blockBox(m_channels[channel]);
        m_channels[channel]->setChecked(state.channelChecked[channel]);
        m_channels[channel]->setEnabled(state.channelBoxEnabled[channel]);
        const QSignalBlocker blockSlider(m_sliders[channel]);
        m_sliders[channel]->setValue(state.sliderValue[channel]);
        m_sliders[channel]->setEnabled(state.sliderEnabled[channel]);
    }
    m_close->setEnabled(state.closeEnabled);
    const QString report = QString::fromStdString(state.report);
    if (report != m_report->text() || m_report->isHidden() != report.isEmpty()) {
        m_report->setText(report);
        m_report->setVisible(!report.isEmpty());
        FitContents();
    }
}

void SoundOptionsWindow::FitContents()
{
    // The window keeps its size while it is shown; a report coming or going changes it.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    adjustSize();
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

void SoundOptionsWindow::reject()
{
    // Escape, "&Close" and the title bar's button all wait for a change to end.
    if (!m_control.CanClose())
        return;
    QDialog::reject();
}

void SoundOptionsWindow::closeEvent(QCloseEvent* event)
{
    if (!m_control.CanClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace gui
