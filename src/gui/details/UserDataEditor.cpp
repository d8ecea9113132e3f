#include "gui/details/UserDataEditor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStylePainter>
#include <QTimer>
#include <QVBoxLayout>

#include "core/common/TextEncoding.h"
#include "core/details/DetailRules.h"
#include "core/row/DemoInfo.h"
#include "gui/common/PaletteColours.h"
#include "gui/common/WindowPlacement.h"
#include "gui/details/ColouredText.h"
#include "gui/details/DemoDetails.h"
#include "gui/details/DescriptionFailure.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/tree/FolderTreeModel.h"

namespace gui {

namespace {

const QColor kChoiceBackground(72, 72, 88);

} // namespace

PovComboBox::PovComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    setItemDelegate(new ColouredTextDelegate(false, kChoiceBackground, this));
    setMinimumWidth(200);
}

void PovComboBox::SetChoices(const std::vector<std::string>& names)
{
    clear();
    addItem(QString::fromLatin1(UserDataEditor::kNoPovEntry));
    setItemData(0, QByteArray(UserDataEditor::kNoPovEntry), RawTextRole);
    for (const std::string& name : names) {
        addItem(WithoutColourCodes(Latin1(name)));
        setItemData(count() - 1, QByteArray::fromStdString(name), RawTextRole);
    }
    setCurrentIndex(-1);
}

std::string PovComboBox::Chosen() const
{
    if (currentIndex() <= 0)
        return {};
    return itemData(currentIndex(), RawTextRole).toByteArray().toStdString();
}

void PovComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0)
        return;
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const QByteArray raw = itemData(currentIndex(), RawTextRole).toByteArray();
    DrawColouredText(painter, field, std::string_view(raw.constData(), static_cast<size_t>(raw.size())), nullptr, false,
                     kChoiceBackground);
}

UserDataEditor::UserDataEditor(DemoDetails& details, QWidget* parent) : ToolWindow(parent, Qt::Tool), m_details(details)
{
    setObjectName(QStringLiteral("UserDataEditor"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Edit User Data"));

    m_description = new QPlainTextEdit(this);
    m_description->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pov = new PovComboBox(this);
    m_web = new QComboBox(this);
    m_web->setEditable(true);
    m_web->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& scheme : core::WebSchemes())
        m_web->addItem(Latin1(scheme));
    m_web->lineEdit()->installEventFilter(this);
    m_rating = new QLineEdit(this);
    m_rating->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), m_rating));
    m_rating->setMaxLength(3);
    m_rating->setFixedWidth(60);

    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_apply = new QPushButton(QStringLiteral("&Apply"), this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Point of view"), m_pov);
    form->addRow(QStringLiteral("Rating"), m_rating);
    form->addRow(QStringLiteral("Web"), m_web);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_apply);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Description"), this));
    layout->addWidget(m_description, 1);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(m_description, &QPlainTextEdit::textChanged, this, &UserDataEditor::Changed);
    connect(m_rating, &QLineEdit::textChanged, this, &UserDataEditor::Changed);
    connect(m_web, &QComboBox::editTextChanged, this, [this] {
        Changed();
        ColourWeb();
    });
    connect(m_pov, &QComboBox::currentIndexChanged, this, [this](int index) {
        // "<<NO POV ENTRY>>" stands for no choice at all.
        if (index == 0 && !m_loading)
            m_pov->setCurrentIndex(-1);
        Changed();
    });
    connect(m_apply, &QPushButton::clicked, this, &UserDataEditor::Apply);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        if (m_apply->isEnabled())
            Apply();
        close();
    });
    connect(m_cancel, &QPushButton::clicked, this, &QWidget::close);
    // The description is the only field of several lines: Tab goes on to the next field, Enter
    // starts a new line and Ctrl+Enter applies, as Enter does in the one-line fields.
    m_description->setTabChangesFocus(true);
    for (QObject* field : {static_cast<QObject*>(m_description), static_cast<QObject*>(m_rating),
                           static_cast<QObject*>(m_web->lineEdit())})
        field->installEventFilter(this);
    resize(380, 320);
}

void UserDataEditor::Load(const std::string& demoName, const std::string& location,
                          const std::vector<std::string>& players, ListPane* pane, int row)
{
    m_loading = true;
    m_demoName = demoName;
    m_location = location;
    m_pane = pane;
    m_row = row;
    m_description->clear();
    m_rating->setText(QStringLiteral("0"));
    m_web->setEditText(QString());
    m_pov->SetChoices(players);
    setWindowTitle(QStringLiteral("Edit User Data of ") + PathText(demoName));

    // Users know this message text, old routine name and all; it stays as it is.
    const auto read = core::ReadDemoUserData(m_details.DescriptionPath(demoName), "User.LoadUserData: ");
    if (ShowDescriptionFailure(read) && read->status == core::UserDataStatus::Loaded) {
        const core::DemoUserData& data = read->data;
        // The choices are the demo's Latin-1 names, the stored point of view is UTF-8.
        const QString pov = Utf8(data.pov);
        if (!pov.isEmpty())
            for (int i = 1; i < m_pov->count(); ++i)
                if (Latin1(m_pov->itemData(i, RawTextRole).toByteArray().toStdString()) == pov) {
                    m_pov->setCurrentIndex(i);
                    break;
                }
        if (!data.rating.empty())
            m_rating->setText(Utf8(data.rating));
        m_web->setEditText(Utf8(data.web));
        QStringList lines;
        for (const std::string& line : data.description)
            lines << Utf8(line);
        m_description->setPlainText(lines.join(QLatin1Char('\n')));
    }
    m_loading = false;
    m_apply->setEnabled(false);
    ColourWeb();
    if (QWidget* active = QApplication::activeWindow(); active && active != this)
        m_opener = active;
    ShowActive(*this);
}

void UserDataEditor::FocusField(int column)
{
    // The field's text is selected, so that typing replaces it.
    switch (column) {
    case core::FieldPOV:
        m_pov->setFocus(Qt::OtherFocusReason);
        break;
    case core::FieldRating:
        m_rating->setFocus(Qt::OtherFocusReason);
        m_rating->selectAll();
        break;
    case core::FieldWeb:
        m_web->setFocus(Qt::OtherFocusReason);
        m_web->lineEdit()->selectAll();
        break;
    case core::FieldDescription:
        m_description->setFocus(Qt::OtherFocusReason);
        m_description->selectAll();
        break;
    default:
        break;
    }
}

void UserDataEditor::Changed()
{
    if (!m_loading)
        m_apply->setEnabled(true);
}

core::DemoUserData UserDataEditor::Fields() const
{
    core::DemoUserData data;
    data.pov = core::Utf8FromLatin1(m_pov->Chosen());
    data.rating = Utf8Bytes(m_rating->text());
    data.web = Utf8Bytes(m_web->currentText());
    data.description = core::SplitTextLines(Utf8Bytes(m_description->toPlainText()));
    return data;
}

void UserDataEditor::Apply()
{
    const core::DemoUserData data = Fields();
    const auto path = m_details.DescriptionPath(m_demoName);
    const auto written = core::WriteDemoUserData(path, data);
    // After a failed write the list and the properties window keep showing what is stored, and
    // "Apply" stays enabled so that the user can try again.
    if (!ShowDescriptionFailure(written))
        return;
    const core::WriteOutcome outcome = *written;
    if (PropertiesWindow* prop = m_details.Properties())
        prop->ShowUserData(data);
    m_details.UpdateRowAfterApply(m_demoName, m_location, m_pane, m_row, data, outcome == core::WriteOutcome::Written);
    ColourWeb();
    m_apply->setEnabled(false);
}

QColor UserDataEditor::WebColour() const
{
    return m_web->lineEdit()->palette().color(QPalette::Text);
}

void UserDataEditor::ColourWeb()
{
    const QString text = m_web->currentText();
    const bool black = m_web->lineEdit()->hasFocus() || text.isEmpty() || core::HasWebScheme(Utf8Bytes(text));
    QPalette palette = m_web->lineEdit()->palette();
    // On a dark field "black" is the palette's own text colour; both stay readable on the field.
    const QColor base = palette.color(QPalette::Base);
    const QColor normal = IsDark(base) ? QApplication::palette().color(QPalette::Text) : QColor(0, 0, 0);
    palette.setColor(QPalette::Text, ReadableOn(black ? normal : QColor(128, 128, 128), base));
    m_web->lineEdit()->setPalette(palette);
}

void UserDataEditor::closeEvent(QCloseEvent* event)
{
    ToolWindow::closeEvent(event);
    // The desktop hands the keyboard to the main window, the editor's parent; it goes back to
    // the window the editor was opened from (the properties window's "Userdata").
    if (event->isAccepted() && m_opener && m_opener->isVisible())
        QTimer::singleShot(0, m_opener.data(), [opener = m_opener] {
            if (opener && opener->isVisible())
                opener->activateWindow();
        });
}

bool UserDataEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched != m_pov) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (watched != m_description || (key->modifiers() & Qt::ControlModifier))) {
            if (m_apply->isEnabled())
                Apply();
            return true;
        }
    }
    if (watched == m_web->lineEdit() && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        QMetaObject::invokeMethod(this, &UserDataEditor::ColourWeb, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

} // namespace gui
