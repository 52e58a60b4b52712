# Sourced by the benchmark scripts. write_tree_manifest TREE MANIFEST writes a
# manifest that packs TREE as the client tree, with the sample's screens and
# one of the tree's programs (or its first file) standing in for the uninstaller,
# whose path it leaves in tree_uninstaller.
write_tree_manifest() {
  local tree=$1 manifest=$2 root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  local uninstaller
  uninstaller=$(find "$tree" -maxdepth 1 -name '*.exe' | LC_ALL=C sort | sed -n 1p)
  [ -n "$uninstaller" ] || uninstaller=$(find "$tree" -type f | LC_ALL=C sort | sed -n 1p)
  tree_uninstaller=$uninstaller
  # The main program must be a packed file: the client's own when the tree has
  # it, otherwise the program that stands in for the uninstaller.
  local main_exe=TradeClient.exe
  [ -f "$tree/$main_exe" ] || main_exe=${uninstaller#"$tree"/}
  cat >"$manifest" <<MANIFEST
title = "沃兹期货"
version = "V6.2"
company = "沃兹软件有限公司"
install_dir = 'C:\\沃兹期货'
main_exe = '${main_exe//\//\\}'
default_order_software = 0
group = "沃兹期货"
uninstaller = '$uninstaller'
[files]
source = '$tree'
[texts]
$(for s in main welcome folder style order extract; do echo "$s = '$root/sample/texts/$s.txt'"; done)
[images]
$(for s in main welcome folder style order extract; do echo "$s = '$root/sample/screens/$s.bmp'"; done)
MANIFEST
}
