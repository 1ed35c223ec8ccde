# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package (`cpack -G DEB` in the build folder): everything that the
# install() rules of the project install, under /usr. The dependencies are the
# packages of the libraries the installed binaries link (dpkg-shlibdeps), plus
# what no linked library names:
#  - a CJK font for the Chinese texts of every window: any of the usual ones,
#    so a minimal system need not take the largest;
#  - qt6-qpa-plugins: Qt's display plugins (xcb, wayland); libqt6gui6 only
#    recommends them, and without one no window can open.
# lintian checks the package (tests/install/check_package.sh): description
# lines stay within 80 columns.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wexly)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Orvik")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "webmaster tool that gets a site's articles indexed by Baidu")
set(CPACK_PACKAGE_DESCRIPTION [[
Orvik 站长工具 imports a site's RSS feed into a local store, announces
every article to Baidu's blog ping service, checks whether Baidu has
indexed it, and shows per-site statistics. It also reads Atom feeds and
sitemaps, and pushes addresses to Baidu's push service and to IndexNow.

The package holds the window program wexly and the command line wexly-cli
with a daily systemd user timer.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvik <wexly@orvik.example>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.orvik.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei, qt6-qpa-plugins")
include(CPack)
