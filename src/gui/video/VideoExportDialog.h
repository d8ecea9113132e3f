#pragma once
// "Export video...": the video's size, frame rate, format, quality, sound, where it is saved and
// whether the game window may be seen while it films.
#include <QDialog>

#include <functional>

#include "core/video/CapturePlan.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace gui {

class VideoExportDialog : public QDialog {
    Q_OBJECT
public:
    // `path`: the suggested file; `settings`: the choices to show first.
    VideoExportDialog(const QString& path, const core::VideoSettings& settings, QWidget* parent = nullptr);

    core::VideoSettings Settings() const;
    QString OutputPath() const;

    QComboBox& SizeBox() { return *m_size; }
    QComboBox& FpsBox() { return *m_fps; }
    QComboBox& FormatBox() { return *m_format; }
    QComboBox& QualityBox() { return *m_quality; }
    QCheckBox& SoundBox() { return *m_sound; }
    QCheckBox& ShowWindowBox() { return *m_showWindow; }
    QLineEdit& PathEdit() { return *m_path; }
    QPushButton& BrowseButton() { return *m_browse; }

    // The file chooser for "Browse..." (a file dialog; tests set their own): the chosen path, or
    // an empty text.
    std::function<QString(const QString& current)> askPath;

private:
    void FormatChanged();

    QComboBox* m_size = nullptr;
    QComboBox* m_fps = nullptr;
    QComboBox* m_format = nullptr;
    QComboBox* m_quality = nullptr;
    QCheckBox* m_sound = nullptr;
    QCheckBox* m_showWindow = nullptr;
    QLineEdit* m_path = nullptr;
    QPushButton* m_browse = nullptr;
};

} // namespace gui
