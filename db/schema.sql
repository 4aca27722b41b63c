-- The process history database ("vestra").
--
-- At the plant the database is created outside the program; this script builds the same tables for the
-- tests and the demo. Column types are those the program reads: date-times as DATETIME (whole seconds),
-- reals as DOUBLE, flags as SMALLINT, texts as VARCHAR of the stated length. Every column other than a
-- table's time column or key may be NULL, because the writers insert rows naming only some columns
-- (a state row starts as just its time; the minute rows never carry KP, CLK, W_COUNT, PL1_GS ...).
-- Every time column is indexed: all history reads are ranges on it, and the newest row is found by max().
-- The minute keys are deliberately not UNIQUE: the writers decide themselves between UPDATE and INSERT.
--
-- The script runs under the server's default (strict) sql_mode as well as under the empty mode the program
-- sets on its own connections.

SET NAMES utf8mb4;

-- ---- Jig machines (filled by other software at the plant; read only) ---------------------------------

CREATE TABLE IF NOT EXISTS pu1 (
  PostMoment DATETIME NOT NULL,
  TPST_1 DOUBLE NULL, TPST_2 DOUBLE NULL, TPST_3 DOUBLE NULL,   -- bed height, compartments 1-3
  ZPST_1 DOUBLE NULL, ZPST_2 DOUBLE NULL, ZPST_3 DOUBLE NULL,   -- bed-height set-points
  TIN DOUBLE NULL, TOUT DOUBLE NULL, TPAUSA DOUBLE NULL,        -- water-air cycle phases, %
  KKP DOUBLE NULL,                                              -- oscillation frequency, 1/min
  TS_1 DOUBLE NULL, TS_2 DOUBLE NULL, TS_3 DOUBLE NULL,         -- unloader speed, %
  RAB DOUBLE NULL,                                              -- machine works (non-zero)
  NRAB DOUBLE NULL,                                             -- machine is fed (non-zero)
  INDEX ix_pu1_PostMoment (PostMoment)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS pu2 LIKE pu1;

-- One row: the machine's current values, shown column by column by the machine state windows.
CREATE TABLE IF NOT EXISTS pu1_state (
  PostMoment DATETIME NULL,
  TPST_1 DOUBLE NULL, TPST_2 DOUBLE NULL, TPST_3 DOUBLE NULL,
  ZPST_1 DOUBLE NULL, ZPST_2 DOUBLE NULL, ZPST_3 DOUBLE NULL,
  TIN DOUBLE NULL, TOUT DOUBLE NULL, TPAUSA DOUBLE NULL,
  KKP DOUBLE NULL,
  TS_1 DOUBLE NULL, TS_2 DOUBLE NULL, TS_3 DOUBLE NULL,
  RAB DOUBLE NULL,
  NRAB DOUBLE NULL,
  INDEX ix_pu1_state_PostMoment (PostMoment)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS pu2_state LIKE pu1_state;

CREATE TABLE IF NOT EXISTS pu1_log (
  PostMoment DATETIME NOT NULL,
  Message VARCHAR(255) NULL,
  INDEX ix_pu1_log_PostMoment (PostMoment)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS pu2_log LIKE pu1_log;

-- ---- Flotation (written by the PUF link thread) -------------------------------------------------------

-- One row per data record of the controller; RecMoment is the record's own time and its key.
CREATE TABLE IF NOT EXISTS puf_data (
  RecMoment DATETIME NOT NULL,
  PLF DOUBLE NULL,                       -- pulp density, g/l
  RVF DOUBLE NULL,                       -- pulp flow, m3/h
  RGF DOUBLE NULL,                       -- solids load, t/h
  TRRS DOUBLE NULL, TRRP DOUBLE NULL,    -- current collector / frother flow, l/h
  SOF DOUBLE NULL,                       -- tailings ash, %
  URS DOUBLE NULL, URP DOUBLE NULL,      -- collector / frother tank level, %
  ZRRS DOUBLE NULL, ZRRP DOUBLE NULL,    -- specific consumption set-points, ml/t
  F1AS SMALLINT NULL, F1RS SMALLINT NULL, F1AP SMALLINT NULL, F1RP SMALLINT NULL,
  DSF1 SMALLINT NULL, DPF1 SMALLINT NULL, ALARMP SMALLINT NULL, ALARMS SMALLINT NULL,
  INDEX ix_puf_data_RecMoment (RecMoment)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- One row, updated with the controller's state answer. The flags are read as reals and rounded by the
-- program, so they are stored as the controller sends them.
CREATE TABLE IF NOT EXISTS puf_state (
  RecMoment DATETIME NULL,
  PLF DOUBLE NULL, RVF DOUBLE NULL, RGF DOUBLE NULL,
  TRRS DOUBLE NULL, TRRP DOUBLE NULL,
  SOF DOUBLE NULL,
  URS DOUBLE NULL, URP DOUBLE NULL,
  ZRRS DOUBLE NULL, ZRRP DOUBLE NULL,
  F1AS DOUBLE NULL, F1RS DOUBLE NULL, F1AP DOUBLE NULL, F1RP DOUBLE NULL,
  DSF1 DOUBLE NULL, DPF1 DOUBLE NULL, ALARMP DOUBLE NULL, ALARMS DOUBLE NULL,
  INDEX ix_puf_state_RecMoment (RecMoment)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS puf_log (
  PostMoment DATETIME NOT NULL,
  Message VARCHAR(255) NULL,
  INDEX ix_puf_log_PostMoment (PostMoment)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---- Belt scales (written by the Vision link thread) --------------------------------------------------

-- One row per minute, keyed by the minute "yyyy-mm-dd hh:nn:00".
CREATE TABLE IF NOT EXISTS belt_386_2 (
  RecMoment DATETIME NOT NULL,
  BKK SMALLINT NULL,       -- belt runs, 0 or 1
  TNK DOUBLE NULL,         -- belt load, t/h
  I_1T1 DOUBLE NULL,       -- totalising counter, kg
  G_1T1 DOUBLE NULL,       -- mass conveyed in the minute, t
  KP INT NULL,             -- scale coefficient
  CLK INT NULL,            -- belt-weight code
  W_COUNT DOUBLE NULL,
  INDEX ix_belt_386_2_RecMoment (RecMoment)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS belt_401 LIKE belt_386_2;

CREATE TABLE IF NOT EXISTS belt_386_2_state (
  RecMoment DATETIME NULL,
  BKK SMALLINT NULL,
  I_1T1 DOUBLE NULL,
  TNK DOUBLE NULL,
  G_1T1 DOUBLE NULL,
  INDEX ix_belt_386_2_state_RecMoment (RecMoment)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS belt_401_state LIKE belt_386_2_state;

CREATE TABLE IF NOT EXISTS belt_log (
  PostMoment DATETIME NOT NULL,
  Message VARCHAR(255) NULL,
  INDEX ix_belt_log_PostMoment (PostMoment)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---- Hydrosizer (written by the Vision link thread) ---------------------------------------------------

CREATE TABLE IF NOT EXISTS pug (
  RecMoment DATETIME NOT NULL,
  PL1_GS DOUBLE NULL, RV1_GS DOUBLE NULL, RG1_GS DOUBLE NULL,   -- feed side; not written by the program
  PL2_GS DOUBLE NULL,      -- density, g/l
  RV2_GS DOUBLE NULL,      -- flow, m3/h
  RG2_GS DOUBLE NULL,      -- solids load, t/h = PL2_GS * RV2_GS * 0.001
  PL3_GS DOUBLE NULL,      -- density, g/l
  TRTW_GS DOUBLE NULL,     -- process water flow, m3/h
  INDEX ix_pug_RecMoment (RecMoment)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

CREATE TABLE IF NOT EXISTS pug_state (
  RecMoment DATETIME NULL,
  PL1_GS DOUBLE NULL, RV1_GS DOUBLE NULL, RG1_GS DOUBLE NULL,
  PL2_GS DOUBLE NULL,
  RV2_GS DOUBLE NULL,
  RG2_GS DOUBLE NULL,
  PL3_GS DOUBLE NULL,
  TRTW_GS DOUBLE NULL,
  INDEX ix_pug_state_RecMoment (RecMoment)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- ---- Settings (written from the settings dialog) ------------------------------------------------------

CREATE TABLE IF NOT EXISTS setup (
  ConstName VARCHAR(50) NOT NULL,
  ConstVal DOUBLE NULL,
  Comment VARCHAR(251) NULL,
  PRIMARY KEY (ConstName)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;

-- Calibration points of the jig machines' signals. The dialog identifies a row by machine, signal and
-- hardware value, so that triple is the key: an update can never hit two rows.
CREATE TABLE IF NOT EXISTS kalibr (
  PultIndex SMALLINT NOT NULL,        -- 1 or 2
  SignalName VARCHAR(20) NOT NULL,    -- a column name of pu1/pu2
  AVal DOUBLE NOT NULL,               -- hardware value
  FVal DOUBLE NOT NULL,               -- physical value
  PRIMARY KEY (PultIndex, SignalName, AVal)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4;
