// Keyed and per-declaration queries are answered through indexes, not by scanning the
// other declarations' rows.
#include <gtest/gtest.h>

#include "engine/database_core.h"
#include "orvalis/dbengine.h"
#include "support/test_support.h"

namespace orvalis {
namespace {

// SQLite's plan for a dialect text, one line per step.
std::string PlanOf(Database& db, std::string_view dialect_sql) {
  const auto translation = db.core()->Translate(dialect_sql);
  engine::Statement plan(db.core()->handle(), "EXPLAIN QUERY PLAN " + translation.statement->sql);
  plan.BindNumbers(translation.parameters);
  std::string lines;
  while (plan.Step()) lines += plan.ColumnText(3) + "\n";
  return lines;
}

class QueryPlanTest : public ::testing::Test {
 protected:
  testing::TempDir dir_;
  std::shared_ptr<Workspace> workspace_ = testing::NewWorkspace();
  std::shared_ptr<Database> db_ = testing::NewDeclarationFile(*workspace_, dir_.File("q.mdb"));
};

TEST_F(QueryPlanTest, KeyedQueriesUseThePrimaryKey) {
  std::string plan =
      PlanOf(*db_, "Select * from tblDetalhesCFOPs Where (NroVEK = 7) And (CFOP = '5101')");
  EXPECT_NE(plan.find("SEARCH tblDetalhesCFOPs USING INDEX _orv_ix:tblDetalhesCFOPs:NroVEK "
                      "(NroVEK=? AND CFOP=?)"),
            std::string::npos)
      << plan;
  plan = PlanOf(*db_, "Select * from tblVEK Where NroVEK=12");
  EXPECT_NE(plan.find("USING INDEX _orv_ix:tblVEK:NroVEK (NroVEK=?)"), std::string::npos) << plan;
}

TEST_F(QueryPlanTest, ApuracaoAggregatesReadOnlyTheirDeclaration) {
  const char* queries[] = {
      "SELECT DISTINCTROW Sum(tblDetalhesCFOPs.Imposto) AS [Soma De Imposto] FROM tblDetalhesCFOPs "
      "WHERE (((tblDetalhesCFOPs.CFOP) Like '5*' Or (tblDetalhesCFOPs.CFOP) Like '6*' Or "
      "(tblDetalhesCFOPs.CFOP) Like '7*')) GROUP BY tblDetalhesCFOPs.NroVEK HAVING "
      "(((tblDetalhesCFOPs.NroVEK)=12));",
      "SELECT DISTINCTROW Sum(ImpostoRetidoST) AS Soma FROM tblDetalhesCFOPs WHERE (CFOP Like "
      "'1*') GROUP BY NroVEK HAVING (NroVEK=12);",
      "SELECT DISTINCTROW Sum(tblOcorrências.Valor) AS [Soma De Valor] FROM tblOcorrências WHERE "
      "((CódSubItem Like '003*') AND (OpPróprias=True)) GROUP BY NroVEK HAVING (NroVEK=12);",
      "SELECT count(tblPagamento.NroVEK) as total From tblPagamento GROUP BY tblPagamento.NroVEK, "
      "tblPagamento.OpPróprias HAVING (((tblPagamento.NroVEK)=12) AND "
      "((tblPagamento.OpPróprias)=false));",
  };
  for (const char* query : queries) {
    std::string plan = PlanOf(*db_, query);
    EXPECT_EQ(plan.find("SCAN"), std::string::npos) << query << "\n" << plan;
    EXPECT_NE(plan.find("NroVEK=?"), std::string::npos) << query << "\n" << plan;
  }
}

}  // namespace
}  // namespace orvalis
