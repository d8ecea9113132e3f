#include "gui/extras/AboutBox.h"

#include <QDialogButtonBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/sound/SoundSystem.h"
#include "gui/extras/GameFont.h"
#include "gui/extras/SplashScreen.h"
#include "gui/sound/SoundFailure.h"

namespace gui {
namespace {

// A line starting with "#" is a heading, an empty line a gap.
const char* const kCredits[] = {
    "#VELMORA 1.32",
    "the Quake III Arena demo manager",
    "",
    "",
    "#Programming",
    "the Velmora developers",
    "",
    "#Demo reading",
    "server messages, players, scores",
    "and the course of every match",
    "",
    "#Sounds and pictures",
    "taken from your own game packs",
    "",
    "#Type",
    "Ferrite Core DX by Froyo Tam",
    "SIL Open Font License 1.1",
    "",
    "#Built with",
    "Qt 6",
    "zlib",
    "libjpeg",
    "OpenAL Soft",
    "",
    "#Thanks to",
    "everyone who records demos",
    "and shares them",
    "",
    "",
    "Quake III Arena (c) 1999-2000",
    "id Software Inc.",
    "",
    "",
    "#FIGHT!",
};

constexpr int kHeadingPixels = 20;
constexpr int kLinePixels = 14;
constexpr int kGapPixels = 14;

} // namespace

CreditsRoll::CreditsRoll(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CreditsRoll"));
    for (const char* line : kCredits)
        m_lines.append(QString::fromLatin1(line));
    for (int i = 0; i < m_lines.size(); ++i)
        m_textHeight += LineHeight(i);
    setMinimumSize(420, 240);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer.setInterval(kStepMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, [this] { Advance(1); });
}

int CreditsRoll::LineHeight(int line) const
{
    const QString& text = m_lines[line];
    if (text.isEmpty())
        return kGapPixels;
    return text.startsWith(QLatin1Char('#')) ? kHeadingPixels + 10 : kLinePixels + 6;
}

int CreditsRoll::RoundLength() const
{
    return m_textHeight + height();
}

void CreditsRoll::Advance(int pixels)
{
    m_offset += pixels;
    const int round = RoundLength();
    if (round > 0 && m_offset >= round) {
        m_offset %= round;
        emit roundCompleted();
    }
    update();
}

void CreditsRoll::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    static const QPixmap plate = SplashScreen::Picture(QColor(140, 90, 30), false);
    p.drawPixmap(rect(), plate);
    p.fillRect(rect(), QColor(0, 0, 0, 150));
    p.setRenderHint(QPainter::TextAntialiasing);

    // The credits start just below the bottom edge and move up.
    int y = height() - m_offset;
    const QFont heading = GameFont(kHeadingPixels);
    const QFont body = GameFont(kLinePixels);
    for (int i = 0; i < m_lines.size(); ++i) {
        const int lineHeight = LineHeight(i);
        const QString& text = m_lines[i];
        if (!text.isEmpty() && y + lineHeight > 0 && y < height()) {
            const bool isHeading = text.startsWith(QLatin1Char('#'));
            p.setFont(isHeading ? heading : body);
            const QRect box(0, y, width(), lineHeight);
            const QString shown = isHeading ? text.mid(1) : text;
            p.setPen(QColor(0, 0, 0, 200));
            p.drawText(box.translated(2, 2), Qt::AlignHCenter | Qt::AlignBottom, shown);
            p.setPen(isHeading ? QColor(255, 196, 64) : QColor(232, 228, 218));
            p.drawText(box, Qt::AlignHCenter | Qt::AlignBottom, shown);
        }
        y += lineHeight;
    }
    // The lines fade in at the bottom edge and out at the top.
    const int edge = 28;
    QLinearGradient top(0, 0, 0, edge);
    top.setColorAt(0, QColor(10, 10, 10, 255));
    top.setColorAt(1, QColor(10, 10, 10, 0));
    p.fillRect(QRect(0, 0, width(), edge), top);
    QLinearGradient bottom(0, height() - edge, 0, height());
    bottom.setColorAt(0, QColor(10, 10, 10, 0));
    bottom.setColorAt(1, QColor(10, 10, 10, 255));
    p.fillRect(QRect(0, height() - edge, width(), edge), bottom);
}

AboutBox::AboutBox(core::SoundSystem* sound, QWidget* parent) : QDialog(parent), m_sound(sound)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Velmora"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    m_credits = new CreditsRoll(this);
    layout->addWidget(m_credits, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setCenterButtons(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    connect(m_credits, &CreditsRoll::roundCompleted, this, [this] { PlaySound(kRoundSound); });
    resize(460, 340);
}

void AboutBox::Run(QWidget* parent)
{
    AboutBox box(&core::Sound(), parent);
    box.exec();
}

void AboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_credits->Start();
    PlaySound(kOpeningSound);
}

void AboutBox::hideEvent(QHideEvent* event)
{
    m_credits->Stop();
    QDialog::hideEvent(event);
}

void AboutBox::PlaySound(const char* member)
{
    if (m_sound)
        ShowSoundOutcome(m_sound->PlaySoundFromPak(m_sound->Settings().game.mainPack, member,
                                                   static_cast<int>(core::SoundChannel::ModelSound)));
}

} // namespace gui
