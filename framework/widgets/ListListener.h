// Zest::ListListener: what a list widget reports about clicks, its hilited line and its closing.
#pragma once

namespace Zest
{

class ListListener
{
public:
    virtual ~ListListener() = default;
    virtual void ListClicked(int id, int lineIndex, int clickCount)
    {
        (void)id;
        (void)lineIndex;
        (void)clickCount;
    }
    virtual void ListClosed(int id) { (void)id; }
    // -1 stands for no hilited line.
    virtual void ListHiliteChanged(int id, int oldIndex, int newIndex)
    {
        (void)id;
        (void)oldIndex;
        (void)newIndex;
    }
};

} // namespace Zest
