#include "window/Extras.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QVBoxLayout>

namespace gui {
namespace {

QPixmap SplashPicture(const QColor& top, const QColor& bottom)
{
    QPixmap pixmap(420, 220);
    QPainter p(&pixmap);
    QLinearGradient gradient(0, 0, 0, pixmap.height());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    p.fillRect(pixmap.rect(), gradient);
    p.setRenderHint(QPainter::Antialiasing);
    QFont title = p.font();
    title.setPixelSize(56);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 120));
    p.drawText(pixmap.rect().translated(3, 3), Qt::AlignCenter, QStringLiteral("Velmora"));
    p.setPen(QColor(250, 240, 220));
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Velmora"));
    QFont small = p.font();
    small.setPixelSize(14);
    small.setBold(false);
    p.setFont(small);
    p.drawText(pixmap.rect().adjusted(0, 0, -12, -10), Qt::AlignRight | Qt::AlignBottom,
               QStringLiteral("Quake III Arena demo manager 1.32"));
    return pixmap;
}

const char* const kTips[] = {
    "Drag demos from the demo list into the play list, then press \"Play Current List\" to watch them in one run "
    "of the game.",
    "Drop a folder from your file manager onto the folder tree to look for demos in it.",
    "Press Escape to stop listing a large folder.",
    "Click a column header to sort by it; click it again to reverse the order.",
    "Folders that hold demos are drawn in their own colour; \"Cut non-demo Folders\" leaves only the paths to them.",
    "\"Reparse List\" (F6) reads every demo of the folder again instead of taking it from the folder's cache.",
};

} // namespace

Splash::Splash()
{
    static const QColor tints[3][2] = {{QColor(120, 20, 10), QColor(30, 0, 0)},
                                       {QColor(20, 60, 130), QColor(0, 10, 40)},
                                       {QColor(30, 110, 40), QColor(0, 30, 5)}};
    m_base = SplashPicture(QColor(70, 70, 70), QColor(10, 10, 10));
    const int pick = QRandomGenerator::global()->bounded(3);
    m_tinted = SplashPicture(tints[pick][0], tints[pick][1]);
    setPixmap(m_base);
    auto* fade = new QTimer(this);
    connect(fade, &QTimer::timeout, this, [this, fade] {
        m_blend = std::min<qreal>(1.0, m_blend + 0.05);
        repaint();
        if (m_blend >= 1.0)
            fade->stop();
    });
    fade->start(40);
}

void Splash::drawContents(QPainter* painter)
{
    painter->setOpacity(m_blend);
    painter->drawPixmap(0, 0, m_tinted);
    painter->setOpacity(1.0);
}

void ShowAboutBox(QWidget* parent)
{
    QMessageBox::about(parent, QStringLiteral("About Velmora"),
                       QStringLiteral("<b>Velmora 1.32</b><br>A manager for recorded Quake III Arena demos.<br><br>"
                                      "Lists demos in folders and game packs, keeps your notes on them and plays "
                                      "them in one run of the game."));
}

bool ShowTipDialog(QWidget* parent, bool showAtStartUp)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Tip of the Day"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* text = new QLabel(&dialog);
    text->setWordWrap(true);
    text->setMinimumWidth(360);
    int tip = QRandomGenerator::global()->bounded(static_cast<int>(std::size(kTips)));
    text->setText(QString::fromLatin1(kTips[tip]));
    layout->addWidget(text);
    auto* atStart = new QCheckBox(QStringLiteral("Show tips at start-up"), &dialog);
    atStart->setChecked(showAtStartUp);
    layout->addWidget(atStart);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton* next = buttons->addButton(QStringLiteral("Next Tip"), QDialogButtonBox::ActionRole);
    QObject::connect(next, &QPushButton::clicked, &dialog, [&] {
        tip = (tip + 1) % static_cast<int>(std::size(kTips));
        text->setText(QString::fromLatin1(kTips[tip]));
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.exec();
    return atStart->isChecked();
}

} // namespace gui
