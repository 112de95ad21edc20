#pragma once
// The text of the command list as the user must see it: twenty lines, each with its own
// line break. Written out here on its own, apart from the program's copy.

namespace test {

inline constexpr char kCommandListText[] =
    "[F5] リロード\n"
    "[Space] ストレッチモード切替\n"
    "[M] ファイル移動\n"
    "CTRL-[M] 移動先設定変更\n"
    "[R] 名前変更\n"
    "Shift-Ctrl-[T] 指定サイズ以下の場合に削除\n"
    "Ctrl-[T] ごみ箱ディレクトリ変更\n"
    "[Delete] ファイルはごみ箱ディレクトリへ移動、ディレクトリは削除\n"
    "[C] コピー先ディレクトリにファイルをコピー\n"
    "Ctrl-[C] コピー先ディレクトリ設定変更\n"
    "Shift-[K] ディレクトリを含んで削除\n"
    "[K] ファイルの場合のみ削除\n"
    "[D] カレントディレクトリ変更\n"
    "[P] 設定ダイアログ表示\n"
    "[J] ジャンプ先ダイアログ表示\n"
    "[W] 壁紙としてＢＭＰファイルをセーブ\n"
    "Ctrl-[W] エクスプローラで開く\n"
    "[I] WEBブラウザでURLMemo.txtのページを開く\n"
    "[Return] 壁紙に設定\n"
    "[F12] 壁紙としてＢＭＰファイルをセーブ\n";

}  // namespace test
