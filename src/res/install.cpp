// Building the resource set and installing it into the framework.
#include "res/about_resource.h"
#include "res/accounts_resource.h"
#include "res/res.h"
#include "res/resource.h"
#include "res/settings_resource.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE must stand outside any namespace.
static void InitPictureResources()
{
    Q_INIT_RESOURCE(res);
}

namespace res {

void AddPictures(fx::ResourceSet& set)
{
    set.icons[IDI_GLOBE0] = ":/vellox/icon128.png";
    set.icons[IDI_GLOBE1] = ":/vellox/icon129.png";
    set.icons[IDI_GLOBE2] = ":/vellox/icon130.png";
    set.icons[IDI_GLOBE3] = ":/vellox/icon131.png";
    set.bitmaps[IDB_WORDMARK] = ":/vellox/bitmap153.png";
    set.bitmaps[IDB_FIGURE] = ":/vellox/bitmap156.png";
}

fx::ResourceSet BuildResources()
{
    fx::ResourceSet set;
    AddStrings(set);
    AddMainDialog(set);
    AddLogonDialog(set);
    AddMainMenu(set);
    AddSettingsResources(set);
    AddAboutResources(set);
    AddAccountResources(set);
    AddPictures(set);
    return set;
}

void Install()
{
    InitPictureResources();
    fx::InstallResources(BuildResources());
}

}  // namespace res
