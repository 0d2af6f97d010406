#pragma once
// libcurl, loaded when a program first opens an HTTP session, or earlier on a
// thread of its own (StartLoadingHttp): with its thirty-odd libraries it
// costs a program's start more than all the rest, and most of our programs
// never make a request.
#include <curl/curl.h>

namespace vard::platform::posix {

struct CurlLibrary {
  decltype(&::curl_easy_init) easy_init;
  decltype(&::curl_easy_setopt) easy_setopt;
  decltype(&::curl_easy_getinfo) easy_getinfo;
  decltype(&::curl_easy_pause) easy_pause;
  decltype(&::curl_easy_cleanup) easy_cleanup;
  decltype(&::curl_slist_append) slist_append;
  decltype(&::curl_slist_free_all) slist_free_all;
  decltype(&::curl_multi_init) multi_init;
  decltype(&::curl_multi_add_handle) multi_add_handle;
  decltype(&::curl_multi_remove_handle) multi_remove_handle;
  decltype(&::curl_multi_perform) multi_perform;
  decltype(&::curl_multi_info_read) multi_info_read;
  decltype(&::curl_multi_poll) multi_poll;
  decltype(&::curl_multi_wakeup) multi_wakeup;
  decltype(&::curl_multi_cleanup) multi_cleanup;
};

// The library, loaded and initialised once; null when it cannot be loaded
// or lacks a call we make.
const CurlLibrary* LoadCurl();
// The library, once LoadCurl has returned it: every curl handle comes after.
const CurlLibrary& Curl();

}  // namespace vard::platform::posix
