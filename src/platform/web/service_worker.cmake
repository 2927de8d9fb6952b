# Writes the site's service worker, sw.js, from its template: the files it
# keeps are every other file of the site, and its version is a digest of
# their names and contents. Run after every build of the site; writes only
# when something changed.
#
#   cmake -DSITE=FOLDER -DTEMPLATE=service_worker.js -P service_worker.cmake
file(GLOB files LIST_DIRECTORIES false RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM files sw.js)
list(SORT files)
set(contents "")
set(names "")
foreach(file IN LISTS files)
    file(SHA256 ${SITE}/${file} digest)
    string(APPEND contents "${file} ${digest}\n")
    list(APPEND names "'${file}'")
endforeach()
string(SHA256 digest "${contents}")
string(SUBSTRING ${digest} 0 16 KUBRASK_SITE_VERSION)
list(JOIN names ", " KUBRASK_SITE_FILES)
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
