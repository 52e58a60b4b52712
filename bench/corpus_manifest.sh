# Sourced by the benchmark scripts: corpus_manifest ROOT CORPUS MANIFEST writes
# the manifest that packs the benchmark corpus as a setup: the sample's texts
# and screens, the corpus as the client tree, one of its programs standing in
# for the uninstaller, whose path it leaves in corpus_uninstaller.
corpus_manifest() {
  local root=$1 corpus=$2 manifest=$3
  corpus_uninstaller=$(find "$corpus" -maxdepth 1 -name '*.exe' | LC_ALL=C sort | head -1)
  cat >"$manifest" <<EOF
title = "沃兹期货"
version = "V6.2"
company = "沃兹软件有限公司"
install_dir = 'C:\\沃兹期货'
main_exe = "TradeClient.exe"
default_order_software = 0
group = "沃兹期货"
uninstaller = '$corpus_uninstaller'
[files]
source = '$corpus'
[texts]
$(for s in main welcome folder style order extract; do echo "$s = '$root/sample/texts/$s.txt'"; done)
[images]
$(for s in main welcome folder style order extract; do echo "$s = '$root/sample/screens/$s.bmp'"; done)
EOF
}
