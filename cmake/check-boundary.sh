#!/bin/sh
# Usage: check-boundary.sh SOURCE_DIR
# Fails when portable code includes an operating-system header or tests
# which system it is built for. Such code belongs behind the platform
# boundary (common/platform/posix, common/platform/win32) or in a
# Windows-only glue folder (any */win32/).
set -u
cd "$1" || exit 2

# System headers and folders of headers no portable file may include.
headers='windows|winsock2?|ws2tcpip|wininet|winhttp|shlobj|shellapi|shlwapi|objbase|ole2|oleauto|olectl|ocidl|oleidl|unknwn|initguid|commctrl|commdlg|winbase|winnt|winuser|winerror|winreg|winternl|wincrypt|iphlpapi|userenv|sddl|aclapi|tlhelp32|psapi|tchar|mmsystem|exdisp|mshtml|comdef|atlbase|io|direct|process|unistd|fcntl|pthread|dlfcn|iconv|dirent|spawn|poll|netdb|termios|semaphore|pwd|grp|syslog|langinfo|strings|libgen|glob|fnmatch|ifaddrs|resolv'
folders='sys|netinet|arpa|curl|linux|asm|mach|net'
include="^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"](($headers)\\.h|($folders)/)"
# Preprocessor tests of the target system.
systems='_WIN32|WIN32|_WIN64|__linux__|__linux|__gnu_linux__|__unix__|__unix|__APPLE__|_MSC_VER|__MINGW32__|__MINGW64__|__CYGWIN__'
test="^[[:space:]]*#[[:space:]]*(if|ifdef|ifndef|elif).*[^A-Za-z0-9_]($systems)([^A-Za-z0-9_]|\$)"

# Files that may cross the line, each with its reason. Keep this short.
allowed='^common/platform/(posix|win32)/'              # the boundary itself
allowed="$allowed|/win32/"                             # Windows-only glue
allowed="$allowed|^common/http/testing/"               # Linux test peers (sockets, servers)
allowed="$allowed|^common/http/bench/"                 # Linux-only bench: runs the curl program beside ours
allowed="$allowed|^tools/bridge/bench/"                # Linux-only bench: a fresh process per message, as a host starts
allowed="$allowed|^agent/tests/ChildProcess\\.cpp\$"   # to be moved: needs a child-output pipe in platform Process

# Tracked and new files; outside a checkout, every source but build trees.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  files=$(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.cc' '*.c' '*.h' '*.hpp' '*.inl')
else
  files=$(find . -path ./build -prune -o -type f \( -name '*.cpp' -o -name '*.cc' -o -name '*.c' \
          -o -name '*.h' -o -name '*.hpp' -o -name '*.inl' \) -print | sed 's|^\./||')
fi
if [ -z "$files" ]; then
  echo "check-boundary: no sources found under $1" >&2
  exit 2
fi
found=$(printf '%s\n' "$files" | grep -Ev "$allowed" | xargs -d '\n' grep -snHE "$include|$test")
if [ -n "$found" ]; then
  echo "OS headers or system tests outside the platform boundary:"
  printf '%s\n' "$found"
  exit 1
fi
echo "platform boundary: clean"
