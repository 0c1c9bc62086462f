// Zest::EditListener: what an edit field reports, and the filters it asks before it acts on input.
#pragma once

#include <string>

namespace Zest
{

// The three Allow filters let everything through unless a listener says otherwise.
class EditListener
{
public:
    virtual ~EditListener() = default;
    virtual void EditTextEntered(int id, const std::string& text)
    {
        (void)id;
        (void)text;
    }
    virtual bool AllowKey(int id, int keyCode)
    {
        (void)id;
        (void)keyCode;
        return true;
    }
    virtual bool AllowChar(int id, char chr)
    {
        (void)id;
        (void)chr;
        return true;
    }
    virtual bool AllowText(int id, const std::string& newText)
    {
        (void)id;
        (void)newText;
        return true;
    }
};

} // namespace Zest
