/* Makes mc_template.xlsx, the workbook the certificate export fills: our own headings, one page
 * of six lines and six rows of test values. The export writes only cell values, so everything
 * laid out here (styles, merges, widths, page set-up) reaches the user as it is.
 * Run make_mc_template.sh to remake it after a change. */
#include <stdio.h>
#include <xlsxwriter.h>

#define LAST_COL 18 /* column S */

static lxw_format *cell, *label, *heading, *title, *note, *plain;

static void box(lxw_worksheet *ws, int row, int first, int last, const char *text, lxw_format *f) {
  if (first == last) {
    if (text)
      worksheet_write_string(ws, row, first, text, f);
    else
      worksheet_write_blank(ws, row, first, f);
  } else {
    worksheet_merge_range(ws, row, first, row, last, text ? text : "", f);
  }
}

/* The line table's columns: sch, name and size, material, standard, quantity, heat, batch. */
static void lineRow(lxw_worksheet *ws, int row, int isHeading) {
  static const struct { int first, last; const char *text; } cols[] = {
      {0, 0, "合同号"}, {1, 5, "品名及规格"}, {6, 8, "材质"},     {9, 13, "执行标准"},
      {14, 14, "数量"}, {15, 16, "炉号"},     {17, 18, "炉批号"}};
  for (unsigned i = 0; i < sizeof cols / sizeof cols[0]; ++i)
    box(ws, row, cols[i].first, cols[i].last, isHeading ? cols[i].text : NULL,
        isHeading ? heading : cell);
}

int main(int argc, char **argv) {
  const char *out = argc > 1 ? argv[1] : "mc_template.xlsx";
  lxw_workbook *wb = workbook_new(out);
  lxw_worksheet *ws = workbook_add_worksheet(wb, "质量证明书");

  title = workbook_add_format(wb);
  format_set_bold(title);
  format_set_font_size(title, 20);
  format_set_align(title, LXW_ALIGN_CENTER);
  format_set_align(title, LXW_ALIGN_VERTICAL_CENTER);
  plain = workbook_add_format(wb);
  format_set_align(plain, LXW_ALIGN_VERTICAL_CENTER);
  format_set_font_size(plain, 10);
  label = workbook_add_format(wb);
  format_set_bold(label);
  format_set_font_size(label, 10);
  format_set_align(label, LXW_ALIGN_VERTICAL_CENTER);
  note = workbook_add_format(wb);
  format_set_font_size(note, 10);
  format_set_text_wrap(note);
  format_set_align(note, LXW_ALIGN_VERTICAL_CENTER);
  heading = workbook_add_format(wb);
  format_set_bold(heading);
  format_set_font_size(heading, 10);
  format_set_border(heading, LXW_BORDER_THIN);
  format_set_align(heading, LXW_ALIGN_CENTER);
  format_set_align(heading, LXW_ALIGN_VERTICAL_CENTER);
  format_set_text_wrap(heading);
  format_set_bg_color(heading, 0xDDEBF7);
  cell = workbook_add_format(wb);
  format_set_font_size(cell, 10);
  format_set_border(cell, LXW_BORDER_THIN);
  format_set_align(cell, LXW_ALIGN_CENTER);
  format_set_align(cell, LXW_ALIGN_VERTICAL_CENTER);
  format_set_text_wrap(cell);

  worksheet_set_column(ws, 0, 0, 14, NULL);
  worksheet_set_column(ws, 1, 8, 7, NULL);
  worksheet_set_column(ws, 9, 11, 9, NULL);
  worksheet_set_column(ws, 12, 12, 5, NULL);
  worksheet_set_column(ws, 13, LAST_COL, 8, NULL);
  worksheet_set_landscape(ws);
  worksheet_set_paper(ws, 9); /* A4 */
  worksheet_fit_to_pages(ws, 1, 1);
  worksheet_set_margins(ws, 0.4, 0.4, 0.5, 0.5);

  worksheet_set_row(ws, 0, 34, NULL);
  worksheet_merge_range(ws, 0, 0, 0, LAST_COL, "质 量 证 明 书", title);
  worksheet_merge_range(ws, 1, 0, 1, LAST_COL, "产品出厂质量证明", plain);

  worksheet_merge_range(ws, 3, 0, 3, 1, "客户名称：", label);
  worksheet_merge_range(ws, 3, 2, 3, 9, "", plain);
  worksheet_merge_range(ws, 3, 10, 3, 12, "证明书编号：", label);
  worksheet_merge_range(ws, 3, 13, 3, LAST_COL, "", plain);
  worksheet_merge_range(ws, 4, 0, 4, 1, "客户单号：", label);
  worksheet_merge_range(ws, 4, 2, 4, 9, "", plain);
  worksheet_merge_range(ws, 4, 10, 4, 12, "签发日期：", label);
  worksheet_merge_range(ws, 4, 13, 4, LAST_COL, "", plain);

  worksheet_merge_range(ws, 6, 0, 8, LAST_COL,
                        "兹证明下列产品按订货合同及所列标准制造，经检验全部合格，准予出厂。"
                        "所用原材料的炉号及化学成分、力学性能检验结果见下表。",
                        note);

  worksheet_set_row(ws, 10, 24, NULL);
  lineRow(ws, 10, 1);
  for (int r = 11; r < 11 + 6; ++r) {
    worksheet_set_row(ws, r, 20, NULL);
    lineRow(ws, r, 0);
  }

  /* The test values of each line's material. */
  worksheet_merge_range(ws, 18, 0, 19, 0, "合同号", heading);
  worksheet_merge_range(ws, 18, 1, 18, 8, "化学成分（%）", heading);
  worksheet_merge_range(ws, 18, 9, 18, 12, "力学性能", heading);
  worksheet_merge_range(ws, 18, 13, 18, LAST_COL, "其他检验", heading);
  static const char *const sub[] = {"C",        "Mn",       "Si",        "P",  "S",
                                    "Cr",       "Ni",       "Mo",        "抗拉强度MPa",
                                    "屈服强度MPa", "伸长率%", "", "外观", "尺寸",
                                    "压力试验", "密封试验", "无损检测",  "热处理"};
  worksheet_set_row(ws, 19, 30, NULL);
  for (int c = 1; c <= LAST_COL; ++c) worksheet_write_string(ws, 19, c, sub[c - 1], heading);
  for (int r = 20; r < 20 + 6; ++r) {
    worksheet_set_row(ws, r, 20, NULL);
    for (int c = 0; c <= LAST_COL; ++c) worksheet_write_blank(ws, r, c, cell);
  }

  worksheet_merge_range(ws, 27, 0, 27, 3, "检验员：", label);
  worksheet_merge_range(ws, 27, 7, 27, 10, "审核：", label);
  worksheet_merge_range(ws, 27, 13, 27, LAST_COL, "质检部门（盖章）：", label);

  worksheet_print_area(ws, 0, 0, 28, LAST_COL);
  lxw_error err = workbook_close(wb);
  if (err != LXW_NO_ERROR) {
    fprintf(stderr, "%s\n", lxw_strerror(err));
    return 1;
  }
  return 0;
}
