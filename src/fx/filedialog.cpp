#include "fx/filedialog.h"

#include <QFileDialog>
#include <QFileInfo>

#include "fx/app.h"
#include "fx/internal.h"

std::vector<std::pair<std::string, std::string>> CFileDialog::ParseFilter(const char* filter)
{
    std::vector<std::pair<std::string, std::string>> out;
    if (!filter)
        return out;
    std::string s = filter;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < s.size()) {
        size_t bar = s.find('|', start);
        if (bar == std::string::npos)
            bar = s.size();
        parts.push_back(s.substr(start, bar - start));
        start = bar + 1;
        // "||" ends the list.
        if (start < s.size() && s[start] == '|')
            break;
    }
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty())
            break;
        out.emplace_back(parts[i], parts[i + 1]);
    }
    return out;
}

std::string CFileDialog::ApplyDefaultExtension(const std::string& path, const std::string& filterPattern,
                                               const std::string& defExt)
{
    if (path.empty() || defExt.empty())
        return path;
    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name.find('.') != std::string::npos)
        return path;
    // The chosen filter's extension when it names a single one ("*.csv"), else the default.
    std::string ext = defExt;
    if (filterPattern.size() > 2 && filterPattern.compare(0, 2, "*.") == 0 &&
        filterPattern.find_first_of(";*?", 2) == std::string::npos) {
        ext = filterPattern.substr(2);
    }
    return path + "." + ext;
}

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const char* lpszDefExt, const char* lpszFileName, DWORD dwFlags,
                         const char* lpszFilter, CWnd* pParentWnd)
    : m_bOpen(bOpenFileDialog),
      m_strFilter(lpszFilter ? lpszFilter : ""),
      m_strDefExt(lpszDefExt ? lpszDefExt : ""),
      m_strFileName(lpszFileName ? lpszFileName : ""),
      m_pParent(pParentWnd)
{
    m_ofn.Flags = dwFlags;
    m_ofn.lpstrFilter = m_strFilter.c_str();
    m_ofn.lpstrDefExt = m_strDefExt.c_str();
}

CString CFileDialog::GetFileName() const
{
    size_t slash = m_strPath.rfind('/');
    return CString(slash == std::string::npos ? m_strPath : m_strPath.substr(slash + 1));
}

CString CFileDialog::GetFileExt() const
{
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot < 0 ? CString() : name.Mid(dot + 1);
}

INT_PTR CFileDialog::DoModal()
{
    using namespace fx::detail;
    auto filters = ParseFilter(m_ofn.lpstrFilter);
    int count = int(filters.size());
    int index = int(m_ofn.nFilterIndex);
    if (index < 1 || index > count)
        index = 1;
    std::string defExt = m_ofn.lpstrDefExt ? m_ofn.lpstrDefExt : "";
    auto patternOf = [&](int i) { return i >= 1 && i <= count ? filters[size_t(i - 1)].second : std::string(); };

    if (auto handler = GetHooks().saveDialog) {
        fx::testing::SaveDialogCall call{filters, index, defExt, m_strFileName, m_ofn.Flags};
        auto answer = handler(call);
        if (!answer || answer->path.empty())
            return IDCANCEL;
        int chosen = answer->filterIndex >= 1 && answer->filterIndex <= count ? answer->filterIndex : index;
        m_ofn.nFilterIndex = DWORD(chosen);
        m_strPath = m_bOpen ? answer->path : ApplyDefaultExtension(answer->path, patternOf(chosen), defExt);
        return IDOK;
    }
    if (NoDisplay()) {
        WarnNoHandler("file dialog", m_strFileName);
        return IDCANCEL;
    }
    fx::EnsureApplication();
    QWidget* owner = m_pParent && m_pParent->GetWidget() ? m_pParent->GetWidget()->window() : nullptr;
    QFileDialog dialog(owner);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(m_bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(m_bOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!(m_ofn.Flags & OFN_OVERWRITEPROMPT))
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (m_ofn.lpstrTitle)
        dialog.setWindowTitle(Q(m_ofn.lpstrTitle));
    if (m_ofn.lpstrInitialDir)
        dialog.setDirectory(Q(m_ofn.lpstrInitialDir));
    QStringList nameFilters;
    for (auto& [name, pattern] : filters) {
        QString patterns = Q(pattern);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString label = Q(name);
        // "Text files (*.txt)" already shows its pattern; Qt reads it from there.
        if (label.endsWith(QStringLiteral("(") + patterns + QStringLiteral(")"))) {
            nameFilters << label;
        } else {
            nameFilters << label + QStringLiteral(" (") + patterns + QStringLiteral(")");
        }
    }
    if (!nameFilters.isEmpty()) {
        dialog.setNameFilters(nameFilters);
        dialog.selectNameFilter(nameFilters[index - 1]);
    }
    // The suffix follows the chosen filter, so the overwrite check sees the final name.
    auto suffixFor = [&](int i) {
        std::string probe = ApplyDefaultExtension("x", patternOf(i), defExt);
        return probe.size() > 2 ? Q(probe.substr(2)) : QString();
    };
    dialog.setDefaultSuffix(suffixFor(index));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& f) {
        int i = int(nameFilters.indexOf(f)) + 1;
        if (i >= 1)
            dialog.setDefaultSuffix(suffixFor(i));
    });
    if (!m_strFileName.empty())
        dialog.selectFile(Q(m_strFileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return IDCANCEL;
    int chosen = int(nameFilters.indexOf(dialog.selectedNameFilter())) + 1;
    m_ofn.nFilterIndex = DWORD(chosen >= 1 ? chosen : index);
    m_strPath = S(dialog.selectedFiles().first());
    return IDOK;
}
