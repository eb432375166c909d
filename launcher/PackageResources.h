/* The resource numbers of the two packages that KIV.exe carries. The resource
   script includes this file as well as the code, so it holds only
   preprocessor numbers. */
#ifndef KIV_PACKAGE_RESOURCES_H
#define KIV_PACKAGE_RESOURCES_H

#define KIV_MAIN_PACKAGE_RESOURCE 401
#define KIV_COMMON_PACKAGE_RESOURCE 402

#endif
