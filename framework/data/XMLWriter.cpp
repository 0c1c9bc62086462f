// Zest::XMLWriter: the output form of each call, and the atomic write of the finished document.
#include "data/XMLWriter.h"

#include "base/Common.h"
#include "platform/Files.h"

namespace Zest
{

bool XMLWriter::IsValidName(const std::string& name)
{
    for (char ch : name)
    {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        if (!ok) return false;
    }
    return true;
}

bool XMLWriter::Fail(const std::string& text)
{
    mErrorText = text;
    mHasFailed = true;
    return false;
}

bool XMLWriter::CanWrite()
{
    if (!mFileOpen) return Fail("No File Opened for writing");
    return !mHasFailed;
}

void XMLWriter::AddWarning(const std::string& text)
{
    mWarningStack.push_back("WARNING: " + text);
}

void XMLWriter::FlushWarnings()
{
    // Most recent first.
    while (!mWarningStack.empty())
    {
        mOutput += "<!--  " + mWarningStack.back() + " -->\n";
        mWarningStack.pop_back();
    }
}

bool XMLWriter::OpenFile(const std::string& name)
{
    // A document still open is finished first, as closing its file would have done.
    if (mFileOpen) CloseFile();

    const std::string path = Platform::ResolveFileName(name);
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    if (path.empty() || path.back() == '/' || Platform::DirectoryExists(path) || !Platform::DirectoryExists(folder))
        return Fail("Unable to open file " + name);

    mFileName = name;
    mFileOpen = true;
    mOutput.clear();
    mSectionStack.clear();
    mWarningStack.clear();
    mOpenAttributes = false;
    mHasFailed = false;
    mErrorText.clear();
    return true;
}

bool XMLWriter::StartElement(const std::string& name)
{
    if (!CanWrite()) return false;
    if (mOpenAttributes) mOutput += ">\n";
    if (!IsValidName(name)) AddWarning(name + " is an Invalid Node Name.");
    FlushWarnings();
    mSectionStack.push_back(name);
    mOutput.append(mSectionStack.size() - 1, '\t');
    mOutput += "<" + name;
    mOpenAttributes = true;
    return true;
}

bool XMLWriter::WriteAttribute(const std::string& name, const std::string& value)
{
    if (!CanWrite()) return false;
    if (!mOpenAttributes)
    {
        if (mSectionStack.empty()) return Fail("No Element Nodes Open for Writing Attributes.");
        return Fail("Attributes Section already closed for " + mSectionStack.back());
    }
    if (!IsValidName(name)) AddWarning(name + " is an invalid Attribute Name.");
    mOutput += " " + name + "=\"" + XmlEncode(value) + "\"";
    return true;
}

bool XMLWriter::WriteAttribute(const std::string& name, int value)
{
    return WriteAttribute(name, FormatString("%d", value));
}

bool XMLWriter::StopElement()
{
    if (!CanWrite()) return false;
    if (mSectionStack.empty()) return Fail("Stop Element Calls do not match StartElement Calls.");
    const std::string name = mSectionStack.back();
    mSectionStack.pop_back();
    if (mOpenAttributes)
    {
        mOutput += "/>\n";
    }
    else
    {
        mOutput.append(mSectionStack.size(), '\t');
        mOutput += "</" + name + ">\n";
    }
    mOpenAttributes = false;
    FlushWarnings();
    return true;
}

bool XMLWriter::CloseFile()
{
    if (!mFileOpen) return Fail("File not Open");
    while (!mSectionStack.empty() && !mHasFailed) StopElement();
    mSectionStack.clear();
    mFileOpen = false;
    const bool failedBefore = mHasFailed;
    std::string output;
    output.swap(mOutput);
    // A writer that failed holds a document cut short: the previous file is worth more than that.
    if (failedBefore) return false;
    if (!Platform::WriteFileAtomically(Platform::ResolveFileName(mFileName), output))
        return Fail("Unable to write file " + mFileName);
    return true;
}

} // namespace Zest
