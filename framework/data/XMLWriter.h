// Zest::XMLWriter: writes an indented XML file element by element, with name checks and warnings as comments.
#pragma once

#include <string>
#include <vector>

namespace Zest
{

// The document is built in memory and written whole when the file is closed, through a temporary file that
// replaces the old one: a crash, a full disk or a failed writer leaves the previous file as it was.
class XMLWriter
{
public:
    XMLWriter() = default;
    XMLWriter(const XMLWriter&) = delete;
    XMLWriter& operator=(const XMLWriter&) = delete;
    // A document never closed is not written: the old file stays.
    virtual ~XMLWriter() = default;

    // False (with "Unable to open file <name>") when the file's folder does not exist or the name is a folder.
    [[nodiscard]] bool OpenFile(const std::string& name);
    bool StartElement(const std::string& name);
    bool WriteAttribute(const std::string& name, const std::string& value);
    bool WriteAttribute(const std::string& name, int value);
    bool StopElement();
    // Stops the open elements and writes the file. False without an open file, after any failure of the writer
    // (the old file is then kept) or when the file cannot be written.
    bool CloseFile();

    bool HasFailed() const { return mHasFailed; }
    const std::string& GetErrorText() const { return mErrorText; }
    const std::string& GetFileName() const { return mFileName; }

    // Letters, digits and '_' only; the empty name counts as valid.
    static bool IsValidName(const std::string& name);

protected:
    bool Fail(const std::string& text);
    // False, with the error recorded, when no file is open; false too once the writer has failed.
    bool CanWrite();
    void AddWarning(const std::string& text);
    void FlushWarnings();

    std::string mFileName;
    std::string mErrorText;
    bool mFileOpen = false;
    std::string mOutput;
    bool mHasFailed = false;
    bool mOpenAttributes = false;
    std::vector<std::string> mSectionStack;
    std::vector<std::string> mWarningStack;
};

} // namespace Zest
