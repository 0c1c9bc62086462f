// The process's table of default control resources.
#include "widgets/WidgetDefaults.h"

namespace Zest
{

WidgetDefaults& GetWidgetDefaults()
{
    static WidgetDefaults defaults;
    return defaults;
}

} // namespace Zest
