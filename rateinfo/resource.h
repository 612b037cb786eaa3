// Resource and command identifiers of OrvaneRateInfo. Hand-written; the menu, the accelerators and
// the About box refer to these numbers, so they never change. One range per kind. Plain defines
// only: the resource compiler and the portable command table both read this file.
#pragma once

// Strings
#define IDS_APP_TITLE                 103   // "OrvaneRateInfo"
#define IDS_WINDOW_CLASS              109   // "ORVANERATEINFO"

// Icons
#define IDI_SPARE                     107   // present, not used by the program
#define IDI_SMALL                     108   // small class icon
#define IDI_ORVANERATEINFO            130   // class icon, also in the About box

// Menu bar, accelerator table, About box
#define IDM_MAIN_MENU                 109
#define IDA_MAIN_ACCELERATORS         109
#define IDD_ABOUTBOX                  103

// Commands
#define IDM_ABOUT                     104
#define IDM_EXIT                      105

// Row counts 15 to 30: 32781 + (N - 15)
#define IDM_ROWS_15                   32781
#define IDM_ROWS_16                   32782
#define IDM_ROWS_17                   32783
#define IDM_ROWS_18                   32784
#define IDM_ROWS_19                   32785
#define IDM_ROWS_20                   32786
#define IDM_ROWS_21                   32787
#define IDM_ROWS_22                   32788
#define IDM_ROWS_23                   32789
#define IDM_ROWS_24                   32790
#define IDM_ROWS_25                   32791
#define IDM_ROWS_26                   32792
#define IDM_ROWS_27                   32793
#define IDM_ROWS_28                   32794
#define IDM_ROWS_29                   32795
#define IDM_ROWS_30                   32796

// Row counts 31 to 80: 32900 + (N - 31); 32797 to 32899 are not row commands
#define IDM_ROWS_31                   32900
#define IDM_ROWS_32                   32901
#define IDM_ROWS_33                   32902
#define IDM_ROWS_34                   32903
#define IDM_ROWS_35                   32904
#define IDM_ROWS_36                   32905
#define IDM_ROWS_37                   32906
#define IDM_ROWS_38                   32907
#define IDM_ROWS_39                   32908
#define IDM_ROWS_40                   32909
#define IDM_ROWS_41                   32910
#define IDM_ROWS_42                   32911
#define IDM_ROWS_43                   32912
#define IDM_ROWS_44                   32913
#define IDM_ROWS_45                   32914
#define IDM_ROWS_46                   32915
#define IDM_ROWS_47                   32916
#define IDM_ROWS_48                   32917
#define IDM_ROWS_49                   32918
#define IDM_ROWS_50                   32919
#define IDM_ROWS_51                   32920
#define IDM_ROWS_52                   32921
#define IDM_ROWS_53                   32922
#define IDM_ROWS_54                   32923
#define IDM_ROWS_55                   32924
#define IDM_ROWS_56                   32925
#define IDM_ROWS_57                   32926
#define IDM_ROWS_58                   32927
#define IDM_ROWS_59                   32928
#define IDM_ROWS_60                   32929
#define IDM_ROWS_61                   32930
#define IDM_ROWS_62                   32931
#define IDM_ROWS_63                   32932
#define IDM_ROWS_64                   32933
#define IDM_ROWS_65                   32934
#define IDM_ROWS_66                   32935
#define IDM_ROWS_67                   32936
#define IDM_ROWS_68                   32937
#define IDM_ROWS_69                   32938
#define IDM_ROWS_70                   32939
#define IDM_ROWS_71                   32940
#define IDM_ROWS_72                   32941
#define IDM_ROWS_73                   32942
#define IDM_ROWS_74                   32943
#define IDM_ROWS_75                   32944
#define IDM_ROWS_76                   32945
#define IDM_ROWS_77                   32946
#define IDM_ROWS_78                   32947
#define IDM_ROWS_79                   32948
#define IDM_ROWS_80                   32949

// Decimal places; 3 came last, so its id is out of sequence
#define IDM_DECIMALS_0                32800
#define IDM_DECIMALS_1                32801
#define IDM_DECIMALS_2                32802
#define IDM_DECIMALS_3                32806
#define IDM_DECIMALS_4                32803
#define IDM_DECIMALS_5                32804
#define IDM_DECIMALS_6                32805

#ifndef IDC_STATIC
#define IDC_STATIC                    (-1)
#endif
