#include "gui/lists/ColumnChooser.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/common/MessageSink.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/PlayListPane.h"
#include "gui/tree/FolderTreeModel.h"

namespace gui {
namespace {

constexpr int kColumnRole = Qt::UserRole + 1;

QString Caption(int column)
{
    const std::string_view name = core::DemoColumnNames()[static_cast<size_t>(column)];
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

} // namespace

ColumnChooser::ColumnChooser(ListPane& list, const QString& title, QWidget* parent) : QDialog(parent), m_list(list)
{
    setObjectName(QStringLiteral("ColumnChooser"));
    setWindowTitle(title);
    setModal(true);
    m_rows = new QListWidget(this);
    m_rows->setSelectionMode(QAbstractItemView::SingleSelection);
    QPalette palette = m_rows->palette();
    palette.setColor(QPalette::Base, list.Options().colour);
    m_rows->setPalette(palette);

    const auto button = [this](const char* text) { return new QPushButton(QString::fromLatin1(text), this); };
    m_up = button("&Up");
    m_down = button("&Down");
    m_show = button("&Show");
    m_hide = button("&Hide");
    m_apply = button("&Apply");
    m_ok = button("&OK");
    m_cancel = button("&Cancel");
    m_ok->setDefault(true);

    auto* side = new QVBoxLayout;
    for (QPushButton* b : {m_up, m_down, m_show, m_hide})
        side->addWidget(b);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(m_rows, 1);
    top->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    for (QPushButton* b : {m_apply, m_ok, m_cancel})
        bottom->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);

    m_filling = true;
    for (const core::ChooserRow& row : core::ChooserRowsOf(SchemeOf(list)))
        AddRow(row);
    m_rows->setCurrentRow(-1);
    m_filling = false;
    m_apply->setEnabled(false);
    UpdateButtons();
    // The check list would make its first row current on taking the focus; no row is current
    // until the user picks one.
    m_ok->setFocus();

    connect(m_rows, &QListWidget::currentRowChanged, this, &ColumnChooser::UpdateButtons);
    connect(m_rows, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (m_filling)
            return;
        if (item->data(kColumnRole).toInt() == core::FieldDemoname && item->checkState() != Qt::Checked) {
            // "Demoname" stays shown whatever the box was clicked for.
            m_filling = true;
            item->setCheckState(Qt::Checked);
            m_filling = false;
            return;
        }
        Changed();
    });
    connect(m_up, &QPushButton::clicked, this, [this] { MoveCurrent(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { MoveCurrent(1); });
    connect(m_show, &QPushButton::clicked, this, [this] { SetCurrentChecked(true); });
    connect(m_hide, &QPushButton::clicked, this, [this] { SetCurrentChecked(false); });
    connect(m_apply, &QPushButton::clicked, this, &ColumnChooser::Apply);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        if (m_apply->isEnabled())
            Apply();
        accept();
    });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void ColumnChooser::AddRow(const core::ChooserRow& row)
{
    auto* item = new QListWidgetItem(Caption(row.column), m_rows);
    item->setData(kColumnRole, row.column);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(row.checked ? Qt::Checked : Qt::Unchecked);
}

std::vector<core::ChooserRow> ColumnChooser::Rows() const
{
    std::vector<core::ChooserRow> rows;
    for (int i = 0; i < m_rows->count(); ++i) {
        const QListWidgetItem* item = m_rows->item(i);
        // The column is found by its caption, as the caption table has it.
        const int column = core::ColumnOfCaption(item->text().toStdString());
        rows.push_back({column, item->checkState() == Qt::Checked});
    }
    return rows;
}

void ColumnChooser::UpdateButtons()
{
    const core::ChooserButtons buttons = core::ChooserButtonsFor(Rows(), m_rows->currentRow());
    m_up->setEnabled(buttons.up);
    m_down->setEnabled(buttons.down);
    m_show->setEnabled(buttons.show);
    m_hide->setEnabled(buttons.hide);
}

void ColumnChooser::Changed()
{
    m_apply->setEnabled(true);
    UpdateButtons();
}

void ColumnChooser::MoveCurrent(int by)
{
    const int from = m_rows->currentRow();
    const int to = from + by;
    if (from < 0 || to < 0 || to >= m_rows->count())
        return;
    m_filling = true;
    QListWidgetItem* item = m_rows->takeItem(from);
    m_rows->insertItem(to, item);
    m_rows->setCurrentRow(to);
    m_filling = false;
    Changed();
}

void ColumnChooser::SetCurrentChecked(bool checked)
{
    QListWidgetItem* item = m_rows->currentItem();
    if (!item || (!checked && item->data(kColumnRole).toInt() == core::FieldDemoname))
        return;
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked); // itemChanged enables "&Apply"
    UpdateButtons();
}

int ColumnChooser::CaptionWidth(int column) const
{
    // Room for the caption, the margins and the sort arrow, as the built-in layout has it.
    return m_list.DetailsPart().header()->fontMetrics().horizontalAdvance(Caption(column)) + 28;
}

void ColumnChooser::Apply()
{
    ApplyScheme(m_list, core::ApplyChooserRows(Rows(), [this](int column) { return CaptionWidth(column); }));
    m_apply->setEnabled(false);
}

core::ColumnScheme SchemeOf(const ListPane& list)
{
    const core::ColumnScheme layout = list.Columns();
    core::ColumnScheme scheme;
    scheme.widths = layout.widths;
    scheme.order = layout.order;
    return scheme;
}

void ApplyScheme(ListPane& list, const core::ColumnScheme& scheme)
{
    // A damaged order would leave the list half changed; callers hand over checked schemes only.
    if (!core::IsColumnOrder(scheme.order))
        return;
    core::ColumnScheme layout;
    layout.widths = scheme.widths;
    layout.order = scheme.order;
    QWidget& view = list.DetailsPart();
    view.setUpdatesEnabled(false);
    list.ApplyColumns(layout);
    view.setUpdatesEnabled(true);
    view.update();
}

bool SaveColumnScheme(const ListPane& list, const QString& file)
{
    const std::string path = PathBytes(file);
    if (core::SaveSchemeFile(path, SchemeOf(list)))
        return true;
    // Not written: said at once, so that nobody relies on a scheme that is not there.
    // Users know this message text, old routine name and all; it stays as it is.
    gui::Messages().Error("DColumns.SaveScheme: " + path, core::kSchemeSaveErrorTitle);
    return false;
}

bool LoadColumnScheme(ListPane& list, const QString& file)
{
    const std::string path = PathBytes(file);
    const core::SchemeParse parsed = core::LoadSchemeFile(path);
    if (!parsed.scheme) {
        // Users know this message text, old routine name and all; it stays as it is.
        gui::Messages().Error("DColumns.LoadScheme: " + path + "\r\n" + parsed.problem +
                                  "\r\nThe columns stay as they are.",
                              core::kSchemeLoadErrorTitle);
        return false;
    }
    ApplyScheme(list, *parsed.scheme);
    return true;
}

} // namespace gui
