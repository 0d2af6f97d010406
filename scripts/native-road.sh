# The native programs of a page's road, sourced by the scripts that drive
# them (run.sh, bench-nginx.sh, hostile-stop.sh) from the repository's root:
# the host of a page's script, the window tool, the agent's window classes.
# The control starts the agent from the system directory, and the agent the
# broker: one folder holds both programs.
host="$PWD/build/linux/tools/kt5host/kt5host"
vardwin="$PWD/build/linux/tools/vardwin/vardwin"
view=vardel_MWKTPlusProc_Download_view_Class
frame=vardel_MWKTPlusProc_Download_MainFrm_Class
system="$PWD/build/linux/system"
mkdir -p "$system"
ln -sf "$PWD/build/linux/agent/MWKTPlusProc" "$system/MWKTPlusProc"
ln -sf "$PWD/build/linux/fsb/vardfsb" "$system/vardfsb"
export VARDEL_SYSTEM_DIR="$system"

# True while a process runs. A program the host started outlives the host
# and is reaped by init, which here may take seconds: a zombie has ended.
# Reads /proc with the shell's own read: a benchmark's looking starts no
# process.
running() {
  local stat
  read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}
