// inpM_Line: the layout of the printed map report.
//
// Every print operation of the report receives one, so that indentation,
// column widths and line breaking are decided in one place.
#ifndef INPM_LINE_H
#define INPM_LINE_H

struct inpM_Line {
  int indent = 2;         // blanks per indentation level
  int numberWidth = 11;   // a number column of the id tables, its gap included
  int nameWidth = 48;     // the instance name column: lineWidth - indent - 2 * numberWidth
  int lineWidth = 72;     // the longest line of an id list
  int numberGap = 1;      // the blank field before a number of the id tables
  int listGap = 1;        // the blank before each further id of an id list
};

#endif
