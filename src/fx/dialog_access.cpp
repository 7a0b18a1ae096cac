// What a dialog tells assistive technology and the keyboard beyond its controls' own
// texts: which static names which control, the mnemonics of those statics, and the Tab
// order, all taken from where the controls stand.
#include <algorithm>
#include <numeric>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>

#include "fx/internal.h"

namespace fx::detail {

namespace {

ControlKind KindOf(const QWidget* w)
{
    return ControlKind(w->property(kKindProperty).toInt());
}

DWORD StyleOf(const QWidget* w)
{
    return w->property(kStyleProperty).toUInt();
}

bool IsLabel(const QWidget* w)
{
    const ControlKind k = KindOf(w);
    return (k == ControlKind::Static || k == ControlKind::StaticCenter || k == ControlKind::StaticRight) &&
           !w->property("fxText").toString().isEmpty();
}

// The controls a static can name: those that show no text of their own.
bool IsNameable(const QWidget* w)
{
    const ControlKind k = KindOf(w);
    return (k == ControlKind::Edit || k == ControlKind::ListBox || k == ControlKind::ComboBox) &&
           w->focusPolicy() != Qt::NoFocus;
}

// Splits `items` (indexes into `rects`) where no rectangle crosses the line between two
// runs along one axis; each run keeps the order of `items`.
template <class Start, class End>
std::vector<std::vector<size_t>> Runs(const std::vector<QRect>& rects, std::vector<size_t> items, Start start, End end)
{
    std::stable_sort(items.begin(), items.end(), [&](size_t a, size_t b) { return start(rects[a]) < start(rects[b]); });
    std::vector<std::vector<size_t>> runs;
    int reach = 0;
    for (size_t i : items) {
        if (runs.empty() || start(rects[i]) >= reach)
            runs.emplace_back();
        runs.back().push_back(i);
        reach = runs.back().size() == 1 ? end(rects[i]) : std::max(reach, end(rects[i]));
    }
    return runs;
}

void Order(const std::vector<QRect>& rects, const std::vector<size_t>& items, std::vector<size_t>& out)
{
    if (items.size() <= 1) {
        out.insert(out.end(), items.begin(), items.end());
        return;
    }
    auto columns = Runs(
        rects, items, [](const QRect& r) { return r.left(); }, [](const QRect& r) { return r.left() + r.width(); });
    if (columns.size() > 1) {
        for (const auto& column : columns)
            Order(rects, column, out);
        return;
    }
    auto rows = Runs(
        rects, items, [](const QRect& r) { return r.top(); }, [](const QRect& r) { return r.top() + r.height(); });
    if (rows.size() > 1) {
        for (const auto& row : rows)
            Order(rects, row, out);
        return;
    }
    // Overlapping controls (two buttons in one place): top to bottom, then left to right.
    std::vector<size_t> rest = items;
    std::stable_sort(rest.begin(), rest.end(), [&](size_t a, size_t b) {
        return std::pair(rects[a].top(), rects[a].left()) < std::pair(rects[b].top(), rects[b].left());
    });
    out.insert(out.end(), rest.begin(), rest.end());
}

// How well `label` sits as the name of `control`: beside it on its left beats above it;
// a smaller gap beats a larger one. Negative: it doesn't name it.
int Fit(const QRect& label, const QRect& control, const BaseUnits& bu)
{
    const int besideGap = control.left() - (label.left() + label.width());
    const int centres = std::abs(label.center().y() - control.center().y());
    if (besideGap >= -DluToPxX(bu, 1) && besideGap <= DluToPxX(bu, 12) &&
        centres <= control.height() / 2 + DluToPxY(bu, 2))
        return std::max(besideGap, 0);
    const int aboveGap = control.top() - (label.top() + label.height());
    if (aboveGap >= -DluToPxY(bu, 1) && aboveGap <= DluToPxY(bu, 8) &&
        std::abs(label.left() - control.left()) <= DluToPxX(bu, 8))
        return 10000 + std::max(aboveGap, 0);
    return -1;
}

// The letters that already move the focus in `window`.
QString UsedMnemonics(QWidget* window)
{
    QString used;
    auto take = [&used](const QString& text) {
        for (qsizetype i = 0; i + 1 < text.size(); ++i) {
            if (text[i] != QLatin1Char('&'))
                continue;
            if (text[i + 1] != QLatin1Char('&'))
                used += text[i + 1].toLower();
            ++i;
        }
    };
    for (auto* button : window->findChildren<QAbstractButton*>())
        take(button->text());
    for (auto* label : window->findChildren<QLabel*>()) {
        if (label->buddy())
            take(label->text());
    }
    for (auto* bar : window->findChildren<QMenuBar*>()) {
        for (QAction* action : bar->actions())
            take(action->text());
    }
    return used;
}

struct Naming {
    QLabel* label;
    QWidget* control;
};

std::vector<Naming> FindNamings(CWnd& owner, const BaseUnits& bu)
{
    const std::vector<QWidget*> widgets = owner.ChildWidgets();
    struct Pair {
        int fit;
        QLabel* label;
        QWidget* control;
    };
    std::vector<Pair> pairs;
    for (QWidget* l : widgets) {
        auto* label = qobject_cast<QLabel*>(l);
        if (!label || !IsLabel(label) || label->buddy())
            continue;
        for (QWidget* control : widgets) {
            if (!IsNameable(control))
                continue;
            if (const int fit = Fit(label->geometry(), control->geometry(), bu); fit >= 0)
                pairs.push_back({fit, label, control});
        }
    }
    // The closest pairs first; each static names one control, each control has one name.
    std::stable_sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.fit < b.fit; });
    std::vector<Naming> namings;
    auto taken = [&namings](const Pair& p) {
        return std::any_of(namings.begin(), namings.end(),
                           [&p](const Naming& n) { return n.label == p.label || n.control == p.control; });
    };
    for (const Pair& p : pairs) {
        if (!taken(p))
            namings.push_back({p.label, p.control});
    }
    return namings;
}

// The static's text as a screen reader should say it: without mnemonic markers, and for a
// static that shows '&' as it stands, without those either.
QString SpokenLabel(const QLabel* label)
{
    const QString text = label->property("fxText").toString();
    if (StyleOf(label) & CS_NOPREFIX)
        return QString(text).remove(QLatin1Char('&'));
    return StripMnemonic(text);
}

}  // namespace

std::vector<size_t> ReadingOrder(const std::vector<QRect>& rects)
{
    std::vector<size_t> items(rects.size());
    std::iota(items.begin(), items.end(), size_t{0});
    std::vector<size_t> out;
    out.reserve(items.size());
    Order(rects, items, out);
    return out;
}

int MnemonicPosition(const QString& text, const QString& used)
{
    auto free = [&used](QChar c) { return c.isLetterOrNumber() && !used.contains(c.toLower()); };
    if (!text.isEmpty() && free(text[0]))
        return 0;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (free(text[i]))
            return int(i);
    }
    return -1;
}

void LinkLabels(CWnd& owner, const BaseUnits& bu)
{
    const std::vector<Naming> namings = FindNamings(owner, bu);
    for (const Naming& n : namings) {
        const QString text = n.label->property("fxText").toString();
        n.control->setAccessibleName(SpokenLabel(n.label));
        n.label->setAccessibleName(SpokenLabel(n.label));
        n.label->setBuddy(n.control);
        SetLabelText(n.label, text);
    }
    // Mnemonics where the window has letters to spare: statics whose first letter is free
    // take it before others take a later one.
    QWidget* window = owner.GetWidget() ? owner.GetWidget()->window() : nullptr;
    if (!window)
        return;
    for (bool firstLetters : {true, false}) {
        for (const Naming& n : namings) {
            const QString text = n.label->property("fxText").toString();
            if ((StyleOf(n.label) & CS_NOPREFIX) || text.contains(QLatin1Char('&')) ||
                n.label->property("fxMnemonic").isValid())
                continue;
            const int at = MnemonicPosition(text, UsedMnemonics(window));
            if (at < 0 || (firstLetters && at != 0))
                continue;
            n.label->setProperty("fxMnemonic", at);
            SetLabelText(n.label, text);
        }
    }
}

void DescribeGroups(CWnd& owner)
{
    const std::vector<QWidget*> widgets = owner.ChildWidgets();
    for (QWidget* control : widgets) {
        if (control->focusPolicy() == Qt::NoFocus || !control->accessibleDescription().isEmpty())
            continue;
        const QGroupBox* inner = nullptr;
        for (QWidget* w : widgets) {
            auto* box = qobject_cast<QGroupBox*>(w);
            if (box && !box->title().isEmpty() && box->geometry().contains(control->geometry()) &&
                (!inner || inner->geometry().contains(box->geometry())))
                inner = box;
        }
        if (inner)
            control->setAccessibleDescription(inner->title());
    }
}

void NameLoneList(CWnd& owner)
{
    QWidget* dialog = owner.GetWidget();
    if (!dialog || !dialog->isWindow())
        return;
    std::vector<QWidget*> nameable;
    for (QWidget* w : owner.ChildWidgets()) {
        if (IsNameable(w))
            nameable.push_back(w);
    }
    if (nameable.size() == 1 && KindOf(nameable[0]) == ControlKind::ListBox && nameable[0]->accessibleName().isEmpty())
        nameable[0]->setAccessibleName(dialog->windowTitle());
}

std::vector<QWidget*> TabChain(const CWnd& owner)
{
    std::vector<QWidget*> stops;
    for (QWidget* w : owner.ChildWidgets()) {
        if (w->focusPolicy() & Qt::TabFocus)
            stops.push_back(w);
    }
    std::vector<QRect> rects;
    for (QWidget* w : stops)
        rects.push_back(w->geometry());
    std::vector<QWidget*> chain;
    for (size_t i : ReadingOrder(rects))
        chain.push_back(stops[i]);
    return chain;
}

void OrderTabs(const CWnd& owner)
{
    const std::vector<QWidget*> chain = TabChain(owner);
    for (size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

}  // namespace fx::detail
