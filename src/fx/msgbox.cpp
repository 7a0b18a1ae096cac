// Message boxes with the MB_ button, icon and default-button flags.
#include <QMessageBox>
#include <QPushButton>

#include "fx/app.h"
#include "fx/internal.h"

namespace fx::detail {
bool RunOnUiBlocking(const std::function<void()>& fn);
}

namespace {

struct ButtonSpec {
    QMessageBox::StandardButton qt;
    int id;
};

std::vector<ButtonSpec> ButtonsFor(UINT flags)
{
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL:
        return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default:
        return {{QMessageBox::Ok, IDOK}};
    }
}

size_t DefaultIndex(UINT flags, size_t count)
{
    size_t index = (flags & MB_DEFMASK) >> 8;
    return index < count ? index : 0;
}

QMessageBox::Icon IconFor(UINT flags)
{
    switch (flags & MB_ICONMASK) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int ShowOnUiThread(QWidget* owner, const std::string& text, const std::string& caption, UINT flags)
{
    using namespace fx::detail;
    std::vector<ButtonSpec> buttons = ButtonsFor(flags);
    size_t def = DefaultIndex(flags, buttons.size());
    if (auto handler = GetHooks().messageBox)
        return handler({text, caption, flags});
    if (NoDisplay()) {
        WarnNoHandler("message box", text);
        return buttons[def].id;
    }
    QMessageBox box(IconFor(flags), Q(caption), Q(text), QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText);
    std::vector<QAbstractButton*> made;
    for (const auto& b : buttons)
        made.push_back(box.addButton(b.qt));
    box.setDefaultButton(static_cast<QPushButton*>(made[def]));
    // Escape answers Cancel where there is one, OK in an OK-only box, nothing otherwise.
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i].id == IDCANCEL || (buttons.size() == 1 && buttons[i].id == IDOK))
            box.setEscapeButton(made[i]);
    }
    box.exec();
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == made[i])
            return buttons[i].id;
    }
    // Closed without a button (window manager): the escape answer, else the default.
    for (const auto& b : buttons) {
        if (b.id == IDCANCEL)
            return IDCANCEL;
    }
    return buttons[def].id;
}

}  // namespace

namespace fx {

int ShowMessageBox(QWidget* owner, const char* text, const char* caption, UINT flags)
{
    std::string t = text ? text : "";
    std::string c = caption ? caption : AfxGetAppName();
    QPointer<QWidget> guardedOwner(owner);
    int result = 0;
    bool ran = detail::RunOnUiBlocking([&] {
        EnsureApplication();
        result = ShowOnUiThread(guardedOwner.data(), t, c, flags);
    });
    return ran ? result : 0;
}

}  // namespace fx
