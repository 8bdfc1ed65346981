// The product's title and the maker's addresses that the program shows and opens: the home page and the support
// mailbox (the About box, the Help menu); and the names by which the installer finds the running program and its
// settings. Plain ASCII, shared by Squozen.rc, the sources of both deliverables and the installer (which the build
// writes them into).
#pragma once

#define SQZ_HOME_PAGE_URL "http://www.zenvola.com"
#define SQZ_SUPPORT_MAIL "support@zenvola.com"
#define SQZ_PRODUCT_TITLE "Zenvola SWF Optimizer"
// The single-instance mutex, held while a copy of Squozen.exe runs.
#define SQZ_INSTANCE_MUTEX "0xe571c001, 0xe623, 0x11d7, 0xae, 0x3d, 0x0, 0xe0, 0x4c, 0xe6, 0x6, 0xcc"
// The framework's profile area under HKEY_CURRENT_USER\Software, which holds a key named after the program.
#define SQZ_PROFILE_REGISTRY_KEY "Local AppWizard-Generated Applications"
