# cpack -G DEB: the program, its desktop file, icon and AppStream metadata as a Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumara)
set(CPACK_PACKAGE_VENDOR "the LU.MARA authors")
set(CPACK_PACKAGE_CONTACT "the LU.MARA authors <mail@lumara.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://lumara.org")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyboard-driven mail client for IMAP and SMTP accounts")
set(CPACK_PACKAGE_DESCRIPTION "LU.MARA shows the mail of all your IMAP accounts in one list and lets you sort it
with one key per mail. Every mail is checked for signs of fraud, attachments stay
locked until unlocked, and a sent mail can be taken back for five seconds.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: Qt's TLS backend opens libssl, and the
# program trusts the system's roots alone.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libssl3, ca-certificates")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring | kwalletmanager, fonts-dejavu-core, qt6-wayland, xdg-utils")
include(CPack)
