// Controls made from templates, and the button, edit, static and combo box handles.
#include "fx/controls.h"

#include <strings.h>

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>

#include "fx/internal.h"
#include "fx/listbox_model.h"

namespace fx::detail {

BaseUnits BaseUnitsOf(const QFont& font)
{
    // Average width of the 52 letters, rounded, and the full character height.
    QFontMetrics fm(font);
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    BaseUnits bu;
    bu.cx = (fm.horizontalAdvance(letters) / 26 + 1) / 2;
    bu.cy = fm.height();
    return bu;
}

int DluToPxX(const BaseUnits& bu, int x)
{
    return (x * bu.cx + (x >= 0 ? 2 : -2)) / 4;
}
int DluToPxY(const BaseUnits& bu, int y)
{
    return (y * bu.cy + (y >= 0 ? 4 : -4)) / 8;
}

QRect DluRect(const BaseUnits& bu, int x, int y, int cx, int cy)
{
    int left = DluToPxX(bu, x), top = DluToPxY(bu, y);
    return QRect(left, top, DluToPxX(bu, x + cx) - left, DluToPxY(bu, y + cy) - top);
}

QRect FitOnScreen(const QRect& wanted, const QRect& available, const QSize& minimum)
{
    const QSize size = wanted.size().expandedTo(minimum).boundedTo(available.size());
    const int x = std::clamp(wanted.left(), available.left(), available.left() + available.width() - size.width());
    const int y = std::clamp(wanted.top(), available.top(), available.top() + available.height() - size.height());
    return QRect(QPoint(x, y), size);
}

// Statics treat '&' as a mnemonic marker unless they say otherwise; "&&" is a '&'.
QString StripMnemonic(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        else if (text[i] == QLatin1Char('&'))
            continue;
        out += text[i];
    }
    return out;
}

void SetLabelText(QLabel* label, const QString& text)
{
    label->setProperty("fxText", text);
    DWORD style = label->property(kStyleProperty).toUInt();
    if (style & CS_NOPREFIX) {
        // With a buddy a label reads '&' as a marker; this one shows it as it stands.
        label->setText(label->buddy() ? QString(text).replace(QLatin1Char('&'), QLatin1String("&&")) : text);
    } else if (label->buddy()) {
        // A mnemonic the framework gave the static, where its text has none.
        const int at = label->property("fxMnemonic").isValid() ? label->property("fxMnemonic").toInt() : -1;
        const bool add = at >= 0 && at < text.size() && !text.contains(QLatin1Char('&'));
        label->setText(add ? QString(text).insert(at, QLatin1Char('&')) : text);
    } else {
        label->setText(StripMnemonic(text));
    }
}

void SetRadioChecked(QAbstractButton* button, bool checked)
{
    QButtonGroup* group = button->group();
    if (!checked && group && group->exclusive() && button->isChecked()) {
        group->setExclusive(false);
        button->setChecked(false);
        group->setExclusive(true);
        return;
    }
    button->setChecked(checked);
}

namespace {

// Sends focus notifications of a control to the dialog.
class FocusNotifier : public QObject {
public:
    FocusNotifier(CWnd* owner, int id, UINT setCode, UINT killCode, QObject* parent)
        : QObject(parent), m_owner(owner), m_id(id), m_set(setCode), m_kill(killCode)
    {
        setObjectName(QStringLiteral("fxFocusNotifier"));
    }

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::FocusIn)
            m_owner->SendMessage(WM_COMMAND, MAKEWPARAM(UINT(m_id), m_set), 0);
        if (e->type() == QEvent::FocusOut)
            m_owner->SendMessage(WM_COMMAND, MAKEWPARAM(UINT(m_id), m_kill), 0);
        return QObject::eventFilter(o, e);
    }

private:
    CWnd* m_owner;
    int m_id;
    UINT m_set, m_kill;
};

// The Menu key or Shift+F10 in a control asks its dialog for the control's context menu.
class ContextKeyNotifier : public QObject {
public:
    ContextKeyNotifier(CWnd* owner, int id, QObject* parent) : QObject(parent), m_owner(owner), m_id(id) { }

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(e);
            const auto mods = key->modifiers() & ~Qt::KeypadModifier;
            if ((key->key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
                (key->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
                m_owner->SendMessage(WM_CONTEXTMENU, WPARAM(m_id), -1);
                return true;
            }
        }
        return QObject::eventFilter(o, e);
    }

private:
    CWnd* m_owner;
    int m_id;
};

void Notify(CWnd* owner, int id, UINT code)
{
    if (id == IDC_STATIC)
        return;
    owner->SendMessage(WM_COMMAND, MAKEWPARAM(UINT(id), code), 0);
}

QWidget* MakeButton(CWnd& owner, QWidget* parent, const ControlTemplate& ct, std::unique_ptr<CWnd>& wrapper)
{
    QAbstractButton* button = nullptr;
    switch (ct.kind) {
    case ControlKind::CheckBox:
        button = new QCheckBox(Q(ct.text), parent);
        break;
    case ControlKind::RadioButton: {
        // Exclusivity comes from the template's groups (every radio button is in one);
        // auto-exclusive also makes it a radio button to assistive technology.
        button = new QRadioButton(Q(ct.text), parent);
        break;
    }
    default: {
        auto* push = new QPushButton(Q(ct.text), parent);
        push->setAutoDefault(false);
        push->setDefault(ct.kind == ControlKind::DefPushButton);
        button = push;
        break;
    }
    }
    CWnd* o = &owner;
    int id = ct.id;
    QObject::connect(button, &QAbstractButton::clicked, button, [o, id] { Notify(o, id, BN_CLICKED); });
    wrapper = std::make_unique<CButton>();
    return button;
}

QWidget* MakeEdit(CWnd& owner, QWidget* parent, const ControlTemplate& ct, std::unique_ptr<CWnd>& wrapper)
{
    CWnd* o = &owner;
    int id = ct.id;
    QWidget* w = nullptr;
    if (ct.style & CS_MULTILINE) {
        auto* edit = new QPlainTextEdit(parent);
        edit->setReadOnly(ct.style & CS_READONLY);
        edit->setTabChangesFocus(true);
        edit->setFrameShape((ct.style & CS_BORDER) ? QFrame::StyledPanel : QFrame::NoFrame);
        QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [o, id] { Notify(o, id, EN_CHANGE); });
        w = edit;
    } else {
        auto* edit = new QLineEdit(parent);
        edit->setReadOnly(ct.style & CS_READONLY);
        edit->setFrame(ct.style & CS_BORDER);
        if (ct.style & CS_PASSWORD)
            edit->setEchoMode(QLineEdit::Password);
        if (ct.style & CS_NUMBER)
            edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
        edit->setMaxLength(30000);
        QObject::connect(edit, &QLineEdit::textChanged, edit, [o, id] { Notify(o, id, EN_CHANGE); });
        w = edit;
    }
    w->installEventFilter(new FocusNotifier(o, id, EN_SETFOCUS, EN_KILLFOCUS, w));
    wrapper = std::make_unique<CEdit>();
    return w;
}

QWidget* MakeListBox(CWnd& owner, QWidget* parent, const ControlTemplate& ct, const BaseUnits& bu,
                     std::unique_ptr<CWnd>& wrapper)
{
    auto* view = new fx::ListBoxView(ct.style & CS_SORT, parent);
    view->Layout().units = bu;
    view->SetUseTabStops(ct.style & CS_USETABSTOPS);
    if (ct.style & CS_EXTENDEDSEL) {
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    } else if (ct.style & CS_MULTIPLESEL) {
        view->setSelectionMode(QAbstractItemView::MultiSelection);
    } else {
        view->setSelectionMode(QAbstractItemView::SingleSelection);
    }
    view->setVerticalScrollBarPolicy((ct.style & CS_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    view->setHorizontalScrollBarPolicy((ct.style & CS_HSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    view->setFrameShape((ct.style & CS_BORDER) ? QFrame::Box : QFrame::NoFrame);
    if (ct.style & CS_BORDER)
        view->setLineWidth(1);
    CWnd* o = &owner;
    int id = ct.id;
    if (ct.style & CS_NOTIFY) {
        QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, view, [o, id, view] {
            if (!view->m_bProgrammatic)
                Notify(o, id, LBN_SELCHANGE);
        });
        QObject::connect(view, &QAbstractItemView::doubleClicked, view, [o, id] { Notify(o, id, LBN_DBLCLK); });
    }
    view->installEventFilter(new FocusNotifier(o, id, LBN_SETFOCUS, LBN_KILLFOCUS, view));
    view->installEventFilter(new ContextKeyNotifier(o, id, view));
    wrapper = std::make_unique<CListBox>();
    return view;
}

QWidget* MakeComboBox(CWnd& owner, QWidget* parent, const ControlTemplate& ct, std::unique_ptr<CWnd>& wrapper)
{
    auto* combo = new QComboBox(parent);
    combo->setEditable(!(ct.style & CS_DROPDOWNLIST));
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setProperty("fxSorted", bool(ct.style & CS_SORT));
    CWnd* o = &owner;
    int id = ct.id;
    QObject::connect(combo, &QComboBox::activated, combo, [o, id] { Notify(o, id, CBN_SELCHANGE); });
    combo->installEventFilter(new FocusNotifier(o, id, CBN_SETFOCUS, CBN_KILLFOCUS, combo));
    wrapper = std::make_unique<CComboBox>();
    return combo;
}

QWidget* MakeStatic(QWidget* parent, const ControlTemplate& ct, std::unique_ptr<CWnd>& wrapper)
{
    wrapper = std::make_unique<CStatic>();
    switch (ct.kind) {
    case ControlKind::GroupBox: {
        auto* box = new QGroupBox(Q(StripMnemonic(Q(ct.text)).toStdString()), parent);
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
        box->setFocusPolicy(Qt::NoFocus);
        wrapper = std::make_unique<CButton>();
        return box;
    }
    case ControlKind::EtchedLine:
    case ControlKind::EtchedFrame: {
        auto* frame = new QFrame(parent);
        frame->setFrameShape(ct.kind == ControlKind::EtchedLine ? QFrame::HLine : QFrame::Box);
        frame->setFrameShadow(QFrame::Sunken);
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        return frame;
    }
    case ControlKind::IconStatic:
    case ControlKind::BitmapStatic: {
        auto* label = new QLabel(parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    default: {
        auto* label = new QLabel(parent);
        label->setProperty(kStyleProperty, uint(ct.style));
        Qt::Alignment align = ct.kind == ControlKind::StaticCenter                           ? Qt::AlignHCenter
                              : ct.kind == ControlKind::StaticRight || (ct.style & CS_RIGHT) ? Qt::AlignRight
                                                                                             : Qt::AlignLeft;
        label->setAlignment(align | Qt::AlignTop);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        SetLabelText(label, Q(ct.text));
        return label;
    }
    }
}

// Pixel rectangle of a control: the template rectangle, except where the control
// sizes itself (combo box field height, icon and bitmap pictures, etched lines).
QRect ControlRect(QWidget* w, const ControlTemplate& ct, const BaseUnits& bu)
{
    QRect r = DluRect(bu, ct.x, ct.y, ct.cx, ct.cy);
    switch (ct.kind) {
    case ControlKind::ComboBox: {
        auto* combo = static_cast<QComboBox*>(w);
        int field = combo->sizeHint().height();
        int item = QFontMetrics(combo->font()).height() + 2;
        combo->setMaxVisibleItems(std::max(1, (r.height() - field) / std::max(item, 1)));
        r.setHeight(field);
        break;
    }
    case ControlKind::IconStatic:
        r.setSize(QSize(32, 32));
        break;
    case ControlKind::BitmapStatic:
        if (HBITMAP bmp = LoadBitmapResource(ct.imageId))
            r.setSize(bmp->size());
        break;
    case ControlKind::EtchedLine:
        r.setHeight(2);
        break;
    case ControlKind::ListBox:
        if (!(ct.style & CS_NOINTEGRALHEIGHT)) {
            // Whole lines only, as the height shrinks to a multiple of the line height.
            int line = QFontMetrics(w->font()).height();
            int frame = (ct.style & CS_BORDER) ? 2 : 0;
            int lines = std::max(1, (r.height() - frame) / std::max(line, 1));
            r.setHeight(lines * line + frame);
        }
        break;
    default:
        break;
    }
    return r;
}

}  // namespace

QWidget* CreateControl(CWnd& owner, QWidget* parent, const ControlTemplate& ct, const BaseUnits& bu)
{
    std::unique_ptr<CWnd> wrapper;
    QWidget* w = nullptr;
    switch (ct.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        w = MakeButton(owner, parent, ct, wrapper);
        break;
    case ControlKind::Edit:
        w = MakeEdit(owner, parent, ct, wrapper);
        break;
    case ControlKind::ListBox:
        w = MakeListBox(owner, parent, ct, bu, wrapper);
        break;
    case ControlKind::ComboBox:
        w = MakeComboBox(owner, parent, ct, wrapper);
        break;
    default:
        w = MakeStatic(parent, ct, wrapper);
        break;
    }
    w->setProperty(kIdProperty, ct.id);
    w->setProperty(kKindProperty, int(ct.kind));
    w->setProperty(kStyleProperty, uint(ct.style));
    w->setGeometry(ControlRect(w, ct, bu));
    bool focusable = ct.kind != ControlKind::Static && ct.kind != ControlKind::StaticCenter &&
                     ct.kind != ControlKind::StaticRight && ct.kind != ControlKind::GroupBox &&
                     ct.kind != ControlKind::IconStatic && ct.kind != ControlKind::BitmapStatic &&
                     ct.kind != ControlKind::EtchedLine && ct.kind != ControlKind::EtchedFrame;
    if (focusable)
        w->setFocusPolicy((ct.style & CS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    if (ct.style & CS_DISABLED)
        w->setEnabled(false);
    if (ct.style & CS_HIDDEN)
        w->hide();
    owner.RegisterChild(ct.id, w, std::move(wrapper));
    if (ct.kind == ControlKind::IconStatic) {
        if (HICON icon = LoadIconResource(ct.imageId))
            static_cast<CStatic*>(owner.WndOfChild(w))->SetIcon(icon);
    } else if (ct.kind == ControlKind::BitmapStatic) {
        if (HBITMAP bmp = LoadBitmapResource(ct.imageId))
            static_cast<QLabel*>(w)->setPixmap(*bmp);
    }
    return w;
}

}  // namespace fx::detail

// ---------------------------------------------------------------- CButton

int CButton::GetCheck() const
{
    auto* b = qobject_cast<QAbstractButton*>(GetWidget());
    return b && b->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void CButton::SetCheck(int nCheck)
{
    if (auto* b = qobject_cast<QAbstractButton*>(GetWidget()))
        fx::detail::SetRadioChecked(b, nCheck == BST_CHECKED);
}

UINT CButton::GetState() const
{
    auto* b = qobject_cast<QAbstractButton*>(GetWidget());
    if (!b)
        return 0;
    return (b->isChecked() ? BST_CHECKED : 0) | (b->isDown() ? 0x0004u : 0u);
}

void CButton::Click()
{
    auto* b = qobject_cast<QAbstractButton*>(GetWidget());
    if (b && b->isEnabled())
        b->click();
}

// ---------------------------------------------------------------- CEdit

void CEdit::SetLimitText(UINT nMax)
{
    if (auto* e = qobject_cast<QLineEdit*>(GetWidget()))
        e->setMaxLength(nMax == 0 ? 0x7FFFFFFE : int(std::min<UINT>(nMax, 0x7FFFFFFE)));
}

UINT CEdit::GetLimitText() const
{
    auto* e = qobject_cast<QLineEdit*>(GetWidget());
    return e ? UINT(e->maxLength()) : 0;
}

BOOL CEdit::SetReadOnly(BOOL bReadOnly)
{
    if (auto* e = qobject_cast<QLineEdit*>(GetWidget())) {
        e->setReadOnly(bReadOnly);
        return TRUE;
    }
    if (auto* e = qobject_cast<QPlainTextEdit*>(GetWidget())) {
        e->setReadOnly(bReadOnly);
        return TRUE;
    }
    return FALSE;
}

BOOL CEdit::IsReadOnly() const
{
    if (auto* e = qobject_cast<QLineEdit*>(GetWidget()))
        return e->isReadOnly();
    if (auto* e = qobject_cast<QPlainTextEdit*>(GetWidget()))
        return e->isReadOnly();
    return FALSE;
}

bool CEdit::IsPassword() const
{
    auto* e = qobject_cast<QLineEdit*>(GetWidget());
    return e && e->echoMode() == QLineEdit::Password;
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL)
{
    auto* e = qobject_cast<QLineEdit*>(GetWidget());
    if (!e)
        return;
    int len = int(e->text().size());
    if (nStartChar < 0) {
        e->deselect();
        return;
    }
    if (nEndChar < 0 || nEndChar > len)
        nEndChar = len;
    nStartChar = std::min(nStartChar, len);
    e->setSelection(nStartChar, nEndChar - nStartChar);
}

void CEdit::GetSel(int& nStartChar, int& nEndChar) const
{
    nStartChar = nEndChar = 0;
    auto* e = qobject_cast<QLineEdit*>(GetWidget());
    if (!e)
        return;
    if (e->hasSelectedText()) {
        nStartChar = e->selectionStart();
        nEndChar = e->selectionEnd();
    } else {
        nStartChar = nEndChar = e->cursorPosition();
    }
}

void CEdit::ReplaceSel(const char* text, BOOL)
{
    if (auto* e = qobject_cast<QLineEdit*>(GetWidget()))
        e->insert(fx::detail::Q(text));
    if (auto* e = qobject_cast<QPlainTextEdit*>(GetWidget()))
        e->insertPlainText(fx::detail::Q(text));
}

int CEdit::GetLineCount() const
{
    if (auto* e = qobject_cast<QPlainTextEdit*>(GetWidget()))
        return e->blockCount();
    return GetWidget() ? 1 : 0;
}

// ---------------------------------------------------------------- CStatic

HICON CStatic::SetIcon(HICON hIcon)
{
    auto* label = qobject_cast<QLabel*>(GetWidget());
    if (!label)
        return nullptr;
    HICON old = static_cast<HICON>(label->property("fxIcon").value<void*>());
    label->setProperty("fxIcon", QVariant::fromValue<void*>(const_cast<QIcon*>(hIcon)));
    label->setPixmap(hIcon ? hIcon->pixmap(32, 32) : QPixmap());
    return old;
}

HICON CStatic::GetIcon() const
{
    auto* label = qobject_cast<QLabel*>(GetWidget());
    return label ? static_cast<HICON>(label->property("fxIcon").value<void*>()) : nullptr;
}

HBITMAP CStatic::SetBitmap(HBITMAP hBitmap)
{
    auto* label = qobject_cast<QLabel*>(GetWidget());
    if (!label)
        return nullptr;
    HBITMAP old = static_cast<HBITMAP>(label->property("fxBitmap").value<void*>());
    label->setProperty("fxBitmap", QVariant::fromValue<void*>(const_cast<QPixmap*>(hBitmap)));
    label->setPixmap(hBitmap ? *hBitmap : QPixmap());
    if (hBitmap)
        label->resize(hBitmap->size());
    return old;
}

HBITMAP CStatic::GetBitmap() const
{
    auto* label = qobject_cast<QLabel*>(GetWidget());
    return label ? static_cast<HBITMAP>(label->property("fxBitmap").value<void*>()) : nullptr;
}

// ---------------------------------------------------------------- CComboBox

QComboBox* CComboBox::Combo() const
{
    return qobject_cast<QComboBox*>(GetWidget());
}

namespace {

int SortedComboPosition(QComboBox* c, const QString& text)
{
    // After the last item that compares equal (case-insensitive).
    int lo = 0, hi = c->count();
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (QString::compare(c->itemText(mid), text, Qt::CaseInsensitive) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// Changes items without a notification; keeps the current selection unless it goes.
template <class F>
void QuietCombo(QComboBox* c, F&& f)
{
    QSignalBlocker block(c);
    f();
}

}  // namespace

int CComboBox::GetCount() const
{
    auto* c = Combo();
    return c ? c->count() : CB_ERR;
}

int CComboBox::AddString(const char* text)
{
    auto* c = Combo();
    if (!c)
        return CB_ERR;
    QString t = fx::detail::Q(text);
    int pos = c->property("fxSorted").toBool() ? SortedComboPosition(c, t) : c->count();
    int cur = c->currentIndex();
    QuietCombo(c, [&] {
        c->insertItem(pos, t);
        // A drop-down list shows no selection until one is made.
        c->setCurrentIndex(cur < 0 ? -1 : (pos <= cur ? cur + 1 : cur));
    });
    return pos;
}

int CComboBox::InsertString(int nIndex, const char* text)
{
    auto* c = Combo();
    if (!c || nIndex < -1 || nIndex > c->count())
        return CB_ERR;
    int pos = nIndex < 0 ? c->count() : nIndex;
    int cur = c->currentIndex();
    QuietCombo(c, [&] {
        c->insertItem(pos, fx::detail::Q(text));
        c->setCurrentIndex(cur < 0 ? -1 : (pos <= cur ? cur + 1 : cur));
    });
    return pos;
}

int CComboBox::DeleteString(UINT nIndex)
{
    auto* c = Combo();
    if (!c || nIndex >= UINT(c->count()))
        return CB_ERR;
    QuietCombo(c, [&] {
        int cur = c->currentIndex();
        c->removeItem(int(nIndex));
        if (int(nIndex) == cur)
            c->setCurrentIndex(-1);
    });
    return c->count();
}

void CComboBox::ResetContent()
{
    if (auto* c = Combo())
        QuietCombo(c, [&] { c->clear(); });
}

int CComboBox::GetCurSel() const
{
    auto* c = Combo();
    return c && c->currentIndex() >= 0 ? c->currentIndex() : CB_ERR;
}

int CComboBox::SetCurSel(int nSelect)
{
    auto* c = Combo();
    if (!c)
        return CB_ERR;
    bool valid = nSelect >= 0 && nSelect < c->count();
    QuietCombo(c, [&] { c->setCurrentIndex(valid ? nSelect : -1); });
    return valid ? nSelect : CB_ERR;
}

int CComboBox::GetLBText(int nIndex, CString& rString) const
{
    auto* c = Combo();
    if (!c || nIndex < 0 || nIndex >= c->count()) {
        rString.Empty();
        return CB_ERR;
    }
    rString = fx::detail::S(c->itemText(nIndex));
    return rString.GetLength();
}

int CComboBox::GetLBTextLen(int nIndex) const
{
    CString s;
    return GetLBText(nIndex, s) == CB_ERR ? CB_ERR : s.GetLength();
}

namespace {

template <class Match>
int SearchCombo(QComboBox* c, int nStartAfter, Match&& match)
{
    if (!c)
        return CB_ERR;
    int n = c->count();
    if (n == 0)
        return CB_ERR;
    int first = (nStartAfter < 0 || nStartAfter >= n) ? 0 : nStartAfter + 1;
    for (int k = 0; k < n; ++k) {
        int i = (first + k) % n;
        if (match(c->itemText(i)))
            return i;
    }
    return CB_ERR;
}

}  // namespace

int CComboBox::FindString(int nStartAfter, const char* text) const
{
    QString prefix = fx::detail::Q(text);
    return SearchCombo(Combo(), nStartAfter,
                       [&](const QString& item) { return item.startsWith(prefix, Qt::CaseInsensitive); });
}

int CComboBox::FindStringExact(int nIndexStart, const char* text) const
{
    QString whole = fx::detail::Q(text);
    return SearchCombo(Combo(), nIndexStart,
                       [&](const QString& item) { return item.compare(whole, Qt::CaseInsensitive) == 0; });
}

int CComboBox::SelectString(int nStartAfter, const char* text)
{
    int i = FindString(nStartAfter, text);
    if (i != CB_ERR)
        SetCurSel(i);
    return i;
}

void CComboBox::SetItemData(int nIndex, DWORD_PTR data)
{
    if (auto* c = Combo(); c && nIndex >= 0 && nIndex < c->count())
        c->setItemData(nIndex, QVariant::fromValue<qulonglong>(data));
}

DWORD_PTR CComboBox::GetItemData(int nIndex) const
{
    auto* c = Combo();
    if (!c || nIndex < 0 || nIndex >= c->count())
        return 0;
    return DWORD_PTR(c->itemData(nIndex).toULongLong());
}

void CComboBox::UserSelect(int nIndex)
{
    auto* c = Combo();
    if (!c || !c->isEnabled() || nIndex < 0 || nIndex >= c->count())
        return;
    {
        QSignalBlocker block(c);
        c->setCurrentIndex(nIndex);
    }
    emit c->activated(nIndex);
}
