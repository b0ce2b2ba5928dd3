#!/usr/bin/env bash
# Rewrites the include paths of files that moved when the foundation left src/shell/ (and the
# Motion-level conversions, the busy flags and the context-menu states found their floors).
# Run it over files written against the old tree, e.g. after merging an older branch:
#   tools/fix_includes.sh $(git ls-files src tests bench fuzz)
# With no arguments it rewrites every C++ file under src/, tests/, bench/ and fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."

SED_EXPRS=(
  -e 's#"shell/atomic_file\.h"#"base/atomic_file.h"#g'
  -e 's#"shell/c_format\.h"#"base/c_format.h"#g'
  -e 's#"shell/change_sink\.h"#"base/change_sink.h"#g'
  -e 's#"shell/clock\.h"#"base/clock.h"#g'
  -e 's#"shell/control_view\.h"#"base/control_view.h"#g'
  -e 's#"shell/dialog_units\.h"#"base/dialog_units.h"#g'
  -e 's#"shell/flag_scope\.h"#"base/flag_scope.h"#g'
  -e 's#"shell/guarded\.h"#"base/guarded.h"#g'
  -e 's#"shell/numeric\.h"#"base/numeric.h"#g'
  -e 's#"shell/string_table\.h"#"base/string_table.h"#g'
  -e 's#"shell/text_lines\.h"#"base/text_lines.h"#g'
  -e 's#"shell/stop_flag\.h"#"base/stop_flag.h"#g'
  -e 's#"shell/file_lock\.h"#"base/file_lock.h"#g'
  -e 's#"shell/settings\.h"#"geometry/settings.h"#g'
  -e 's#"shell/program_settings\.h"#"geometry/program_settings.h"#g'
  -e 's#"shell/busy_state\.h"#"link/busy_state.h"#g'
  -e 's#"document/pose_list_context_menu\.h"#"shell/pose_list_context_menu.h"#g'
  -e 's#"geometry/motion_conversion\.h"#"document/motion_conversion.h"#g'
  -e 's#"geometry/coordinate_dialog\.h"#"document/coordinate_dialog.h"#g'
  -e 's#"geometry/batch_conversion\.h"#"document/batch_conversion.h"#g'
  -e 's#"geometry/load_conversion\.h"#"document/load_conversion.h"#g'
  -e 's#"ui/dialog_test_support\.h"#"support/dialog_test_support.h"#g'
  -e 's#"document/pose\.h"#"geometry/pose.h"#g'
)

if [ $# -eq 0 ]; then
  mapfile -t files < <(git ls-files -- 'src/*.h' 'src/*.cpp' 'tests/*.h' 'tests/*.cpp' \
                         'bench/*.h' 'bench/*.cpp' 'fuzz/*.h' 'fuzz/*.cpp')
else
  files=("$@")
fi
[ ${#files[@]} -eq 0 ] && exit 0
sed -i "${SED_EXPRS[@]}" "${files[@]}"
