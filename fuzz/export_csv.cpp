// The export writer. The input is a list's lines (see export_input.h). Tab mode writes
// each line unchanged; every field of a line written in comma mode reads back identical
// through a CSV reader that follows the rules of Python's csv module (excel dialect);
// the lines exported are the header and the results without the separators.
// fuzz_export_csv_python runs the corpus through Python's own reader.
#include "export/export_file.h"

#include "export_input.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Row = std::vector<std::string>;

// Python's csv.reader with the excel dialect (delimiter ',', quotechar '"', doublequote,
// no escapechar, no skipinitialspace, not strict) over a file opened with newline='':
// the text is cut into lines after each LF, CR LF or lone CR, and each line's end is
// followed by an end-of-line mark.
class CsvReader {
public:
    std::vector<Row> Read(std::string_view text)
    {
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find_first_of("\r\n", start);
            end = end == std::string_view::npos                                         ? text.size()
                  : text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? end + 2
                                                                                        : end + 1;
            for (std::size_t i = start; i < end; ++i)
                Char(text[i]);
            EndOfLine();
            if (m_state == State::StartRecord) {
                m_rows.push_back(std::move(m_fields));
                m_fields.clear();
            }
            start = end;
        }
        // The end of the data inside a field ends it and its row.
        if (!m_field.empty() || m_state == State::InQuotedField) {
            SaveField();
            m_rows.push_back(std::move(m_fields));
        }
        return std::move(m_rows);
    }

private:
    enum class State { StartRecord, StartField, InField, InQuotedField, QuoteInQuotedField, EatCrNl };

    void SaveField()
    {
        m_fields.push_back(std::move(m_field));
        m_field.clear();
    }

    void Char(char c)
    {
        const bool newline = c == '\n' || c == '\r';
        switch (m_state) {
        case State::StartRecord:
            if (newline) {
                m_state = State::EatCrNl;
                return;
            }
            m_state = State::StartField;
            [[fallthrough]];
        case State::StartField:
            if (newline) {
                SaveField();
                m_state = State::EatCrNl;
            } else if (c == '"') {
                m_state = State::InQuotedField;
            } else if (c == ',') {
                SaveField();
            } else {
                m_field += c;
                m_state = State::InField;
            }
            return;
        case State::InField:
            if (newline) {
                SaveField();
                m_state = State::EatCrNl;
            } else if (c == ',') {
                SaveField();
                m_state = State::StartField;
            } else {
                m_field += c;
            }
            return;
        case State::InQuotedField:
            if (c == '"')
                m_state = State::QuoteInQuotedField;
            else
                m_field += c;
            return;
        case State::QuoteInQuotedField:
            if (c == '"') {
                m_field += c;
                m_state = State::InQuotedField;
            } else if (c == ',') {
                SaveField();
                m_state = State::StartField;
            } else if (newline) {
                SaveField();
                m_state = State::EatCrNl;
            } else {
                m_field += c;
                m_state = State::InField;
            }
            return;
        case State::EatCrNl:
            // Python fails here ("new-line character seen in unquoted field"); lines
            // cut as above never get here.
            FUZZ_CHECK(newline);
            return;
        }
    }

    void EndOfLine()
    {
        switch (m_state) {
        case State::StartRecord:
        case State::EatCrNl:
            m_state = State::StartRecord;
            return;
        case State::StartField:
        case State::InField:
        case State::QuoteInQuotedField:
            SaveField();
            m_state = State::StartRecord;
            return;
        case State::InQuotedField:
            return;  // the field goes on in the next line
        }
    }

    State m_state = State::StartRecord;
    std::string m_field;
    Row m_fields;
    std::vector<Row> m_rows;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> lines = ListLinesOf(std::string_view(reinterpret_cast<const char*>(data), size));
    std::string written;
    for (const std::string& line : lines) {
        FUZZ_CHECK(ExportLine(line, ExportMode::Tab) == line);
        written += ExportLine(line, ExportMode::Comma);
        written += '\n';
    }
    const std::vector<Row> rows = CsvReader().Read(written);
    FUZZ_CHECK(rows.size() == lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        FUZZ_CHECK(rows[i] == ExpectedRow(lines[i]));

    const std::vector<std::string> exported = ExportedLines(lines);
    if (lines.size() < 3) {
        FUZZ_CHECK(exported.empty());
    } else {
        FUZZ_CHECK(exported.size() == lines.size() - 2);
        FUZZ_CHECK(exported.front() == lines.front());
        FUZZ_CHECK(std::equal(exported.begin() + 1, exported.end(), lines.begin() + 2));
    }
    return 0;
}
