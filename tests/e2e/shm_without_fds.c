/* SPDX-License-Identifier: MIT */
/* Preloaded into the show: the X server's MIT-SHM looks like version 1.1, which takes no file
 * descriptors, so the show names its shared memory to the server by System V number. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <xcb/shm.h>

xcb_shm_query_version_reply_t* xcb_shm_query_version_reply(xcb_connection_t* c, xcb_shm_query_version_cookie_t cookie,
                                                           xcb_generic_error_t** e)
{
    typedef xcb_shm_query_version_reply_t* (*Real)(xcb_connection_t*, xcb_shm_query_version_cookie_t,
                                                   xcb_generic_error_t**);
    Real real = (Real)dlsym(RTLD_NEXT, "xcb_shm_query_version_reply");
    xcb_shm_query_version_reply_t* reply = real(c, cookie, e);
    if (reply && reply->major_version == 1 && reply->minor_version > 1)
        reply->minor_version = 1;
    return reply;
}
