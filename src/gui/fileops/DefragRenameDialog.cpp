#include "gui/fileops/DefragRenameDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/tree/FolderTreeModel.h"

namespace gui {

DefragRenameDialog::DefragRenameDialog(const std::vector<core::DefragRename>& plan, QWidget* parent)
    : QDialog(parent), m_preview(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("DefragRenameDialog"));
    setWindowTitle(QStringLiteral("Rename to the DeFRaG convention"));
    int renamable = 0;
    m_preview->setObjectName(QStringLiteral("RenamePreview"));
    m_preview->setRootIsDecorated(false);
    m_preview->setHeaderLabels({QStringLiteral("Demo"), QStringLiteral("New name")});
    const QBrush refused = palette().brush(QPalette::Disabled, QPalette::Text);
    for (const core::DefragRename& rename : plan) {
        auto* item = new QTreeWidgetItem(m_preview);
        item->setText(0, PathText(rename.oldName));
        if (rename.problem.empty()) {
            item->setText(1, PathText(rename.newName));
            ++renamable;
        } else {
            item->setText(1, QString::fromUtf8(rename.problem));
            item->setForeground(1, refused);
        }
    }
    m_preview->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    const int kept = static_cast<int>(plan.size()) - renamable;
    auto* summary = new QLabel(
        QStringLiteral("%1 of %2 demos can be renamed; no file is replaced.").arg(renamable).arg(plan.size()), this);
    if (kept > 0)
        summary->setText(summary->text() + QStringLiteral(" %1 keep their names.").arg(kept));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_rename = buttons->addButton(QStringLiteral("Rename"), QDialogButtonBox::AcceptRole);
    m_rename->setEnabled(renamable > 0);
    m_rename->setDefault(renamable > 0);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_preview, 1);
    layout->addWidget(summary);
    layout->addWidget(buttons);
    resize(720, 360);
}

} // namespace gui
