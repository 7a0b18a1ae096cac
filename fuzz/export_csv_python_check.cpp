// Writes every input of the export corpus (and of its crash inputs) through the real
// export writer and reads the file back with Python's csv module: each row must hold the
// line's fields exactly (see export_input.h). Comma mode is read with the excel dialect;
// tab mode, for inputs whose lines hold no CR or LF, with delimiter TAB and no quoting.
// Usage: export_csv_python_check PYTHON FOLDER...
#include "export/export_file.h"

#include "export_input.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Prints one line per row: each field as "x" and its bytes in hex, separated by blanks,
// so that an empty row and a row of one empty field differ.
constexpr char kReadBack[] = "import csv, sys\n"
                             "tab = dict(delimiter='\\t', quoting=csv.QUOTE_NONE)\n"
                             "with open(sys.argv[1], newline='', encoding='latin-1') as f:\n"
                             "    for row in csv.reader(f, **(tab if sys.argv[2] == 'tab' else {})):\n"
                             "        print(' '.join('x' + field.encode('latin-1').hex() for field in row))\n";

std::string Hex(const std::string& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 0xF];
    }
    return out;
}

std::string RowText(const std::vector<std::string>& fields)
{
    std::string out;
    for (const std::string& field : fields)
        out += (out.empty() ? "x" : " x") + Hex(field);
    return out;
}

// Python's output for `file`; false when it could not be run or failed.
bool ReadBack(const std::string& python, const std::string& file, ExportMode mode, std::string& output)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        const char* modeName = mode == ExportMode::Tab ? "tab" : "comma";
        ::execl(python.c_str(), python.c_str(), "-c", kReadBack, file.c_str(), modeName, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool HasLineBreak(const std::vector<std::string>& lines)
{
    return std::any_of(lines.begin(), lines.end(),
                       [](const std::string& line) { return line.find_first_of("\r\n") != std::string::npos; });
}

bool CheckMode(const std::string& python, const std::filesystem::path& input, const std::vector<std::string>& lines,
               ExportMode mode, const std::string& exportPath)
{
    const char* modeName = mode == ExportMode::Tab ? "tab" : "comma";
    if (!WriteExportFile(exportPath, lines, mode)) {
        std::fprintf(stderr, "%s (%s): the export file could not be written\n", input.c_str(), modeName);
        return false;
    }
    std::string expected;
    for (const std::string& line : lines)
        expected += RowText(mode == ExportMode::Tab ? ExpectedTabRow(line) : ExpectedRow(line)) + "\n";
    std::string output;
    if (!ReadBack(python, exportPath, mode, output)) {
        std::fprintf(stderr, "%s (%s): Python could not read the export file\n", input.c_str(), modeName);
        return false;
    }
    if (output != expected) {
        std::fprintf(stderr, "%s (%s): Python reads other fields\nexpected:\n%sread:\n%s", input.c_str(), modeName,
                     expected.c_str(), output.c_str());
        return false;
    }
    return true;
}

bool Check(const std::string& python, const std::filesystem::path& input, const std::string& exportPath)
{
    std::ifstream in(input, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<std::string> lines = ListLinesOf(bytes);
    const bool comma = CheckMode(python, input, lines, ExportMode::Comma, exportPath);
    return (HasLineBreak(lines) || CheckMode(python, input, lines, ExportMode::Tab, exportPath)) && comma;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PYTHON FOLDER...\n", argv[0]);
        return 2;
    }
    char folder[] = "/tmp/vellox-export-csv-XXXXXX";
    if (!::mkdtemp(folder)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string exportPath = std::string(folder) + "/export.csv";
    int checked = 0;
    bool ok = true;
    for (int i = 2; i < argc; ++i) {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file() && !name.starts_with('.') && !name.starts_with("README"))
                files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            ok = Check(argv[1], file, exportPath) && ok;
            ++checked;
        }
    }
    std::filesystem::remove_all(folder);
    std::printf("%d inputs checked\n", checked);
    return ok && checked > 0 ? 0 : 1;
}
