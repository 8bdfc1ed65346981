// The product's title and the maker's addresses that the program shows and opens: the home page and the support
// mailbox (the About box, the Help menu). Plain ASCII, shared by Squozen.rc and the sources of both deliverables.
#pragma once

#define SQZ_HOME_PAGE_URL "http://www.zenvola.com"
#define SQZ_SUPPORT_MAIL "support@zenvola.com"
#define SQZ_PRODUCT_TITLE "Zenvola SWF Optimizer"
