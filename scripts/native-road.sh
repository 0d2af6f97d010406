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
