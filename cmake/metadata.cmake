# Who and what the program is, for every package and the Windows resources: the version comes from project(),
# everything else from here.

# The application's id in reverse-DNS form: the name of its desktop entry and of its AppStream component.
set(MIRRORS_APP_ID io.github.mirrors.Mirrors)
set(MIRRORS_SUMMARY "Aim a light ray at mirror walls and watch it reflect")
set(MIRRORS_DEVELOPER "the mirrors authors")
set(MIRRORS_HOMEPAGE https://mirrors.github.io/)
set(MIRRORS_SCREENSHOT_URL ${MIRRORS_HOMEPAGE}screenshot.png)
# The day this version was released: the Debian changelog, the AppStream release and the manual page's date.
set(MIRRORS_RELEASE_DATE 2026-12-09)
# Whoever builds the packages answers for them: a distribution or a school sets its own name and address with
# -DMIRRORS_MAINTAINER="Name <address>".
set(MIRRORS_MAINTAINER "the mirrors authors <mirrors@example.org>"
    CACHE STRING "Maintainer of the packages, as \"Name <address>\"")
set(MIRRORS_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
