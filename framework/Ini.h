#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Collections.h"
#include "framework/CString.h"
#include "framework/File.h"
#include "framework/NoCopy.h"

// An INI file of the program's, read and written as GBK on every system.
// The platform's profile functions would convert through the system's code
// page; these give what they give on a code-page-936 system: sections and
// keys found ignoring the case of ASCII letters, blanks around names and
// values trimmed, a value in matching quotes without them, the first
// matching section and key winning. A write changes the file in place: a
// key keeps its line, a new key follows the last line of its section, a new
// section comes at the end, every other line stays byte for byte; new lines
// end in CR LF; in a file saved as Unicode, the lines not written keep
// their bytes too. The whole file is written at once, or not at all.
class CIniFile : private CNoCopy {
public:
    // Reads the whole file, or the new text a save had to leave beside it
    // (NewerCopy). FALSE when it exists but cannot be read (a folder of that
    // name, a file another program holds): what it holds is unknown, and
    // Save will not replace it.
    BOOL Load(const char* path);

    // The value as the platform reads it into a buffer of bufferBytes bytes,
    // less a double-byte character the buffer's end would cut in half; empty
    // when the key is absent or has no "=".
    CString GetString(const char* section, const char* key, int bufferBytes = 1024) const;
    // The value as the platform's integer reading gives it: a leading number
    // (decimal, or after "0x", "0o", "0b"), else 0; defaultValue when the key
    // is absent or its value empty.
    UINT GetInt(const char* section, const char* key, UINT defaultValue) const;
    // Names of the sections in file order, the unnamed start of the file left out.
    CStringArray SectionNames() const;

    // Sets the key's value (its leading blanks dropped), creating the key and
    // the section as needed.
    void SetString(const char* section, const char* key, const char* value);
    // Removes the first section of that name with all its lines.
    void DeleteSection(const char* section);

    // Writes the file whole when anything changed, or when what was read
    // was the new text left beside it (framework/File.h). SAVE_LEFT when
    // Load could not read it or it is read-only.
    SaveOutcome Save(const char* path) const;

private:
    // One section: its header line (none for the start of the file) and the
    // lines after it up to the next header, as offsets into m_text.
    struct Section {
        size_t header;
        size_t body;
        size_t end;
        std::wstring name;  // trimmed and cut at a NUL, as compared
    };
    // One line of a section: where its text starts and ends without its
    // blanks, where its "=" is (npos: none) and where the line ends.
    struct Line {
        size_t start;
        size_t end;
        size_t equals;
        size_t next;
    };
    enum Encoding { ANSI, UTF8, UTF16LE, UTF16BE };

    void Index();
    void LoadUnicode(const std::string& bytes);
    std::string Unicode(const std::string& text) const;
    const Section* FindSection(const char* name) const;
    bool FindKey(const Section& section, const char* key, Line* line) const;
    CString Value(const char* section, const char* key, int bufferChars) const;
    void Splice(size_t at, size_t length, const std::string& text);

    std::string m_text;  // GBK, whatever the file's encoding
    std::vector<Section> m_sections;
    Encoding m_encoding = ANSI;
    BOOL m_known = TRUE;
    bool m_changed = false;
    bool m_fromNewText = false;
    // A Unicode file's byte-order mark, and its lines as they were on disk,
    // each ended by its line feed; for each byte of m_text the line it was
    // read from (-1: written since), and each line's length in m_text.
    std::string m_mark;
    std::vector<std::string> m_rawLines;
    std::vector<int> m_origin;
    std::vector<size_t> m_readLength;
};
