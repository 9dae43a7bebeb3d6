#include "platform/services/windows/Accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QWidget>
#include <functional>

namespace qsr::services {
namespace {

// The caption without its mnemonic marks: every '&' not followed by another
// goes ("&&" keeps one). A plain scan: start-up names every control, and an
// expression there would load and compile the regular-expression library.
QString Plain(const QString& caption) {
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && (i + 1 == caption.size() || caption[i + 1] != u'&')) continue;
        plain += caption[i];
    }
    return plain.trimmed();
}

// The label that names a field: its buddy label, else a label that comes
// right before it in the same layout.
QString LabelFor(QWidget* field, QWidget* root) {
    for (QLabel* label : root->findChildren<QLabel*>())
        if (label->buddy() == field && !label->text().isEmpty()) return Plain(label->text());
    QWidget* parent = field->parentWidget();
    if (!parent || !parent->layout()) return {};
    QLayout* layout = parent->layout();
    // Look through nested layouts for the item holding the field.
    std::function<QString(QLayout*)> search = [&](QLayout* l) -> QString {
        QLabel* previous = nullptr;
        for (int i = 0; i < l->count(); ++i) {
            QLayoutItem* item = l->itemAt(i);
            if (QLayout* inner = item->layout()) {
                if (QString found = search(inner); !found.isEmpty()) return found;
                continue;
            }
            QWidget* w = item->widget();
            if (!w) continue;
            if (w == field) return previous ? Plain(previous->text()) : QString();
            previous = qobject_cast<QLabel*>(w);
        }
        return {};
    };
    return search(layout);
}

bool IsControl(QWidget* w) {
    // A list's header is read through its column titles.
    if (qobject_cast<QHeaderView*>(w)) return false;
    return qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
           qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
           qobject_cast<QAbstractSlider*>(w) || qobject_cast<QAbstractItemView*>(w) ||
           qobject_cast<QTextEdit*>(w) || qobject_cast<QProgressBar*>(w) ||
           qobject_cast<QGroupBox*>(w) || qobject_cast<QTabWidget*>(w);
}

}  // namespace

void NameControlsForAccessibility(QWidget* root) {
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->accessibleName().isEmpty() || !IsControl(w)) continue;
        // Parts Qt builds inside a control (a spin box's line edit, a
        // combo's list) are named through their owner.
        if (qobject_cast<QLineEdit*>(w) && qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
            continue;
        QString name;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            name = Plain(b->text());
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            name = Plain(g->title());
        if (name.isEmpty()) name = LabelFor(w, root);
        if (name.isEmpty()) name = w->toolTip();
        if (name.isEmpty()) name = w->objectName();
        w->setAccessibleName(name);
    }
}

std::vector<std::string> UnnamedControls(QWidget* root) {
    std::vector<std::string> unnamed;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!IsControl(w) || !w->isVisibleTo(root)) continue;
        if (qobject_cast<QLineEdit*>(w) && qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (!a || a->text(QAccessible::Name).trimmed().isEmpty())
            unnamed.push_back(w->objectName().toStdString() + " (" + w->metaObject()->className() +
                              ")");
    }
    return unnamed;
}

std::vector<std::string> TabOrderProblems(QWidget* root) {
    if (root->layout()) root->layout()->activate();
    std::vector<QWidget*> chain;
    for (QWidget* w = root->nextInFocusChain(); w && w != root; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(root) && root->isAncestorOf(w))
            chain.push_back(w);
    }
    std::vector<std::string> problems;
    for (std::size_t i = 1; i < chain.size(); ++i) {
        const QWidget* a = chain[i - 1];
        const QWidget* b = chain[i];
        if (a->parentWidget() != b->parentWidget()) continue;
        const QRect ra = a->geometry();
        const QRect rb = b->geometry();
        // Reading order lets the next control lie below, or to the right
        // (along a row, or the top of the next column).
        const bool above = rb.bottom() < ra.top();
        const bool sameRow = !above && rb.top() <= ra.bottom() && ra.top() <= rb.bottom();
        const bool toTheRight = rb.left() >= ra.right();
        if ((above && !toTheRight) || (sameRow && rb.right() <= ra.left())) {
            problems.push_back(a->objectName().toStdString() + " -> " +
                               b->objectName().toStdString());
        }
    }
    return problems;
}

}  // namespace qsr::services
