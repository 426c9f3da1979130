# SPDX-License-Identifier: MIT
# Run after the hosted page is linked (cmake -P): writes the service worker
# SITE/sw.js from TEMPLATE, its cache named after a hash of the site's files,
# so that every build that changes the page replaces the cache.
#   -DSITE=build-web/site -DTEMPLATE=web/site/sw.js
file(GLOB files RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM files sw.js)
list(SORT files)
set(hashes "")
set(quoted "'./'")
foreach(f ${files})
  file(SHA256 ${SITE}/${f} h)
  string(APPEND hashes "${f}:${h}\n")
  string(APPEND quoted ", '${f}'")
endforeach()
string(SHA256 version "${hashes}")
string(SUBSTRING ${version} 0 16 LINKDEMO_SITE_VERSION)
set(LINKDEMO_SITE_FILES "${quoted}")
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
