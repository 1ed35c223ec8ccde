# The Debian package (`cpack -G DEB` in the build folder): everything that the
# install() rules of the project install, under /usr. The dependencies are the
# packages of the libraries the installed binaries link (dpkg-shlibdeps), plus
# what no linked library names:
#  - fonts-noto-cjk: the Chinese texts of every window;
#  - qt6-qpa-plugins: Qt's display plugins (xcb, wayland); libqt6gui6 only
#    recommends them, and without one no window can open.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wexly)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Orvik")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Orvik 站长工具: get your site's articles found by Baidu")
set(CPACK_PACKAGE_DESCRIPTION
    "Imports your site's RSS feed into a local store, announces every article to Baidu's blog ping service, checks whether Baidu has indexed it, and shows per-domain statistics.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvik <wexly@orvik.example>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.orvik.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, qt6-qpa-plugins")
include(CPack)
