#include "gui/video/VideoExportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/video/VideoChoices.h"

namespace gui {
namespace {

QString SizeText(const core::VideoSize& size)
{
    return QStringLiteral("%1 x %2").arg(size.width).arg(size.height);
}

} // namespace

VideoExportDialog::VideoExportDialog(const QString& path, const core::VideoSettings& settings, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("VideoExportDialog"));
    setWindowTitle(QString::fromLatin1(core::kVideoTitle));
    m_size = new QComboBox(this);
    for (const core::VideoSize& size : core::VideoSizeChoices()) {
        m_size->addItem(SizeText(size), QSize(size.width, size.height));
        if (size.width == settings.width && size.height == settings.height)
            m_size->setCurrentIndex(m_size->count() - 1);
    }
    m_fps = new QComboBox(this);
    for (const int fps : {30, 60})
        m_fps->addItem(QStringLiteral("%1 frames per second").arg(fps), fps);
    m_fps->setCurrentIndex(settings.fps == 60 ? 1 : 0);
    m_format = new QComboBox(this);
    m_format->addItem(QStringLiteral("MP4 (H.264 and AAC)"), static_cast<int>(core::VideoFormat::Mp4));
    m_format->addItem(QStringLiteral("WebM (VP9 and Opus)"), static_cast<int>(core::VideoFormat::WebM));
    m_format->setCurrentIndex(settings.format == core::VideoFormat::WebM ? 1 : 0);
    m_quality = new QComboBox(this);
    m_quality->addItem(QStringLiteral("High (larger file)"), static_cast<int>(core::VideoQuality::High));
    m_quality->addItem(QStringLiteral("Normal"), static_cast<int>(core::VideoQuality::Normal));
    m_quality->addItem(QStringLiteral("Small file"), static_cast<int>(core::VideoQuality::Small));
    m_quality->setCurrentIndex(m_quality->findData(static_cast<int>(settings.quality)));
    m_sound = new QCheckBox(QStringLiteral("With &sound"), this);
    m_sound->setChecked(settings.sound);
    m_showWindow = new QCheckBox(QStringLiteral("Show the &game window while filming"), this);
    m_showWindow->setChecked(settings.showWindow);
    m_showWindow->setToolTip(QStringLiteral("Unchecked, the game draws on a hidden screen of its own (Xvfb) and you "
                                            "keep working."));
    m_path = new QLineEdit(path, this);
    m_path->setMinimumWidth(360);
    m_browse = new QPushButton(QStringLiteral("&Browse..."), this);
    askPath = [this](const QString& current) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save video as"), current,
                                            QStringLiteral("Videos (*.mp4 *.webm)"));
    };

    auto* where = new QHBoxLayout;
    where->addWidget(m_path, 1);
    where->addWidget(m_browse);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Resolution:"), m_size);
    form->addRow(QStringLiteral("&Frame rate:"), m_fps);
    form->addRow(QStringLiteral("F&ormat:"), m_format);
    form->addRow(QStringLiteral("&Quality:"), m_quality);
    form->addRow(QString(), m_sound);
    form->addRow(QStringLiteral("Save &as:"), where);
    form->addRow(QString(), m_showWindow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Export"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_format, &QComboBox::currentIndexChanged, this, [this] { FormatChanged(); });
    connect(m_browse, &QPushButton::clicked, this, [this] {
        const QString chosen = askPath ? askPath(m_path->text()) : QString();
        if (chosen.isEmpty())
            return;
        m_path->setText(chosen);
        // A chosen name of the other format picks that format.
        if (const auto format = core::VideoFormatOfName(QFile::encodeName(chosen).toStdString()))
            m_format->setCurrentIndex(m_format->findData(static_cast<int>(*format)));
        else
            FormatChanged();
    });
}

void VideoExportDialog::FormatChanged()
{
    const auto format = static_cast<core::VideoFormat>(m_format->currentData().toInt());
    m_path->setText(
        QFile::decodeName(core::WithVideoExtension(QFile::encodeName(m_path->text()).toStdString(), format).c_str()));
}

core::VideoSettings VideoExportDialog::Settings() const
{
    core::VideoSettings settings;
    const QSize size = m_size->currentData().toSize();
    settings.width = size.width();
    settings.height = size.height();
    settings.fps = m_fps->currentData().toInt();
    settings.format = static_cast<core::VideoFormat>(m_format->currentData().toInt());
    settings.quality = static_cast<core::VideoQuality>(m_quality->currentData().toInt());
    settings.sound = m_sound->isChecked();
    settings.showWindow = m_showWindow->isChecked();
    return settings;
}

QString VideoExportDialog::OutputPath() const
{
    return m_path->text().trimmed();
}

} // namespace gui
