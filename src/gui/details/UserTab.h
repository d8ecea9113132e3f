#pragma once
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include <string>

class QLabel;
class QTextEdit;

namespace gui {

class DemoDetails;

// The user tab: the level shot behind the user's point of view, rating, web link and description.
class UserTab : public QWidget {
    Q_OBJECT
public:
    explicit UserTab(DemoDetails& details, QWidget* parent = nullptr);
    void SetBackground(const QImage& image);
    // The user's own texts, in UTF-8.
    void Show(const std::string& pov, const std::string& rating, const std::string& web, const QString& description);
    QString Rating() const;
    QString Link() const { return m_link; }
    QString Description() const;
    const std::string& Pov() const;
    // Whether the link cursor shows over the link (it begins with a known scheme).
    bool LinkActive() const;
    // A click on the link, as the mouse would give it.
    void ClickLink();
    QRect LinkRect() const { return m_linkRect; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Arrange();

    DemoDetails& m_details;
    QImage m_background;
    std::string m_pov;
    QString m_link;
    QRect m_linkRect;
    class ColouredNameBox* m_name = nullptr;
    QLabel* m_povCaption = nullptr;
    QLabel* m_ratingCaption = nullptr;
    QLabel* m_rating = nullptr;
    QTextEdit* m_description = nullptr;
};

} // namespace gui
